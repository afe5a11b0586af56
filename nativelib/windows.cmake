# The Windows deliverables: Tovrane.dll and Lanroster.exe, each with the C and C++
# run-time linked in, an asInvoker manifest, a version resource, symbols stripped,
# and Windows 6.0 as the oldest system they load on.
enable_language(RC)

add_library(windows_deliverable INTERFACE)
target_link_options(windows_deliverable INTERFACE
  -static -static-libgcc -static-libstdc++ -s
  -Wl,--major-os-version=6,--minor-os-version=0
  -Wl,--major-subsystem-version=6,--minor-subsystem-version=0)

# Fills the version resource for one deliverable.
function(write_version_resource directory file_name description file_type)
  string(REPLACE "." "," VERSION_COMMAS "${PROJECT_VERSION}.0")
  set(FILE_NAME "${file_name}")
  set(FILE_DESCRIPTION "${description}")
  set(FILE_TYPE "${file_type}")
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/version.rc.in ${directory}/version.rc @ONLY)
endfunction()

# The runtime's three calls, imported by name from "Adobe AIR.dll" through an
# import library made here from our own module-definition file.
set(runtime_import_library ${CMAKE_CURRENT_BINARY_DIR}/libadobe_air.a)
add_custom_command(OUTPUT ${runtime_import_library}
  COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_CURRENT_SOURCE_DIR}/Tovrane/runtime_imports.def
          -l ${runtime_import_library}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/Tovrane/runtime_imports.def
  COMMENT "Making the import library of the AIR runtime's calls")
add_custom_target(runtime_import_library DEPENDS ${runtime_import_library})

write_version_resource(${CMAKE_CURRENT_BINARY_DIR}/tovrane_resource Tovrane.dll
  "Tovrane native extension for Adobe AIR" VFT_DLL)
add_library(Tovrane SHARED
  Tovrane/dll_main_windows.cpp
  Tovrane/Tovrane.def
  Tovrane/Tovrane.rc
  $<TARGET_OBJECTS:tovrane_logic>)
set_target_properties(Tovrane PROPERTIES PREFIX "" OUTPUT_NAME Tovrane)
target_include_directories(Tovrane PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/tovrane_resource Tovrane)
add_dependencies(Tovrane runtime_import_library)
target_link_libraries(Tovrane PRIVATE deliverable_options windows_deliverable
  ${runtime_import_library} advapi32 shell32)

write_version_resource(${CMAKE_CURRENT_BINARY_DIR}/lanroster_resource Lanroster.exe
  "Lanroster IPv6 adapter report" VFT_APP)
add_executable(Lanroster
  Lanroster/main.cpp
  Lanroster/adapters_windows.cpp
  Lanroster/Lanroster.rc
  $<TARGET_OBJECTS:lanroster_report>
  $<TARGET_OBJECTS:lanroster_numeric_host>)
target_include_directories(Lanroster PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/lanroster_resource Lanroster)
target_link_libraries(Lanroster PRIVATE deliverable_options windows_deliverable iphlpapi ws2_32)
# The DLL carries no console of its own.
target_link_options(Tovrane PRIVATE -Wl,--subsystem,windows:6.0)

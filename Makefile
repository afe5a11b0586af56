# make        installs what is missing, builds every artifact into dist/ and runs the
#             report program once on this machine
# make check  installs what is missing, builds, and runs every test
.PHONY: all check deps build check-host check-asan check-tsan check-fuzz fuzz bench clean

JOBS ?= $(shell nproc)
WINDOWS_PRESETS := windows-x86 windows-x86-64

all: build
	@echo "--- dist/linux-x86-64/lanroster on this machine:"
	@dist/linux-x86-64/lanroster; status=$$?; echo; echo "(exit code $$status)"

deps:
	@scripts/install-deps

build: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)
	for preset in $(WINDOWS_PRESETS); do \
	  cmake --preset $$preset >/dev/null && cmake --build --preset $$preset -j $(JOBS) || exit 1; \
	done
	mkdir -p dist/linux-x86-64 dist/windows-x86 dist/windows-x86-64
	cp build/host/nativelib/lanroster dist/linux-x86-64/
	for arch in x86 x86-64; do \
	  cp build/windows-$$arch/nativelib/Tovrane.dll build/windows-$$arch/nativelib/Lanroster.exe dist/windows-$$arch/ || exit 1; \
	done

check: check-host check-asan check-tsan check-fuzz

# The host build's tests, and those of the Windows binaries and of the x86-64
# build under Wine.
check-host: build
	ctest --preset host -j $(JOBS)

check-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

check-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan

# Each fuzz target for a few seconds from its seed corpus; make fuzz for longer.
check-fuzz: deps
	cmake --preset fuzz -DNATIVELIB_FUZZ_SECONDS=8 >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz -j $(JOBS)

FUZZ_SECONDS ?= 300
fuzz: deps
	cmake --preset fuzz -DNATIVELIB_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz -j $(JOBS)

# The report program against ip and the floor at N = 1, 100 and 1000 veth pairs
# (needs root), and the library's functions under Wine against the bare Windows
# calls; writes bench/results.md and quotes it in the README.
bench: build
	python3 bench/run_bench.py --lanroster dist/linux-x86-64/lanroster \
	  --floor build/host/nativelib/lanroster-floor --windows-build build/windows-x86-64 \
	  --artifacts dist --out bench/results.md --readme README.md

clean:
	rm -rf build dist

# make        installs what is missing, builds every artifact into dist/ and runs the
#             report program once on this machine
# make check  installs what is missing and runs every test
.PHONY: all check deps build check-host check-asan clean

JOBS ?= $(shell nproc)

all: build
	@echo "--- lanroster on this machine:"
	@dist/linux-x86-64/lanroster; status=$$?; echo; exit $$status

deps:
	@scripts/install-deps

build: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)
	mkdir -p dist/linux-x86-64
	cp build/host/nativelib/lanroster dist/linux-x86-64/lanroster

check: check-host check-asan

check-host: build
	ctest --preset host -j $(JOBS)

check-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

clean:
	rm -rf build dist

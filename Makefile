# Two entry points: `make example` builds the program alone and runs the bundled deck,
# `make test` builds and runs all tests.
JOBS ?= $(shell nproc)

.PHONY: configure program build example test fuzz clean

configure:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release

# The program alone: neither the tests nor GoogleTest.
program: configure
	cmake --build build --target zelk -j $(JOBS)

build: configure
	cmake --build build -j $(JOBS)

example: program
	mkdir -p build/example
	cp examples/pillbox.in build/example/
	cd build/example && ../zelk pillbox.in
	@echo "report: build/example/pillbox.out"
	@echo "tables: build/example/pillbox.pot"
	@echo "plots:  build/example/pillbox.top"

test: build
	cd build && GOMP_SPINCOUNT=10000 ctest --output-on-failure -j $(JOBS)
	cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DZELK_SANITIZE=ON
	cmake --build build-san -j $(JOBS)
	cd build-san && GOMP_SPINCOUNT=10000 ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)
	build-san/zelk_fuzz --zelk build-san/zelk --sanitized --seed 1 --count 300 --jobs $(JOBS) --cpu 30 --stall 300 --mem 1024 --work build-san/fuzz-work --keep build-san/fuzz-bad examples/pillbox.in tests/decks/*.in

# Long pass of the deck fuzzer in the sanitizer build: FUZZ_COUNT mutants of the example
# and test decks from seed FUZZ_SEED, each with FUZZ_CPU seconds of processor time and
# FUZZ_MEM megabytes; the counts of every ending are printed, bad endings kept as decks
# in build-san/fuzz-bad/ (see tests/fuzz/README.md).
FUZZ_COUNT ?= 20000
FUZZ_SEED ?= 2
FUZZ_CPU ?= 30
FUZZ_MEM ?= 1024
fuzz:
	cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DZELK_SANITIZE=ON
	cmake --build build-san -j $(JOBS)
	build-san/zelk_fuzz --zelk build-san/zelk --sanitized --seed $(FUZZ_SEED) --count $(FUZZ_COUNT) --jobs $(JOBS) --cpu $(FUZZ_CPU) --stall 300 --mem $(FUZZ_MEM) --work build-san/fuzz-work --keep build-san/fuzz-bad examples/pillbox.in tests/decks/*.in

clean:
	rm -rf build build-san

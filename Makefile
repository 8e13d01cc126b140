# Two entry points: `make example` builds and runs the bundled deck, `make test` builds and runs all tests.
JOBS ?= $(shell nproc)

.PHONY: build example test clean

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

example: build
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

clean:
	rm -rf build build-san

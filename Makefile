# Convenience wrapper around CMake.
#   make run    build and run gadrin on the example data
#   make test   build and run every test, normally and under ASan + UBSan
#   make bench  build the benchmarks
#   make fuzz   build the fuzz targets with clang and run each for FUZZ_SECONDS

JOBS ?= 2
FUZZ_SECONDS ?= 60

.PHONY: all build run test test-normal test-sanitize bench fuzz clean

all: build

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

run: build
	./build/gadrin examples/seq.txt -pexamples/pop.txt -d1 -b100 -s7

test: test-normal test-sanitize

test-normal:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)
	ctest --test-dir build --output-on-failure

test-sanitize:
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGADRIN_SANITIZE=ON -DGADRIN_BENCH=OFF
	cmake --build build-sanitize -j $(JOBS)
	ctest --test-dir build-sanitize --output-on-failure

bench: build
	./build/bench/gadrin_bench

fuzz:
	JOBS=$(JOBS) fuzz/run.sh $(FUZZ_SECONDS)

clean:
	rm -rf build build-sanitize

# Two commands do all the set-up on a fresh Debian machine: `make play` and `make test`.
JOBS ?= $(shell nproc)
DEFAULT_BIN := build/default/bin

.PHONY: play test test-asan build deps bench windows demo clean format

deps:
	tools/install-deps.sh build

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

play: build
	tools/play.sh $(DEFAULT_BIN)

test: build
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS) -LE 'e2e|windows'

bench:
	tools/install-deps.sh build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	build/bench/bin/kueruma-bench

demo: build
	tools/play.sh --headless $(DEFAULT_BIN)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf build dist

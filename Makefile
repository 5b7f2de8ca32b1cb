# The two commands of the README: `make run` and `make test`. Both install what is missing.
.PHONY: run test build deps deps-test deps-package fuzz asan tsan bench install package clean

PREFIX ?= /usr/local

run: deps build
	./build/corvalin

test: deps-test build
	scripts/test-session ctest --test-dir build --output-on-failure -j2

build:
	cmake --preset default
	cmake --build --preset default

deps:
	scripts/install-deps

deps-test:
	scripts/install-deps --test

deps-package:
	scripts/install-deps --package

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps-test
	cmake --preset asan
	cmake --build --preset asan
	scripts/test-session ctest --preset asan

# ThreadSanitizer over the suites whose code runs on several threads: the serial queues, the
# capture watcher, the fill search, uploads, the editor's recovery copies and the recorder.
tsan: deps-test
	cmake --preset tsan
	cmake --build --preset tsan
	scripts/test-session ctest --preset tsan

# The libFuzzer targets for the parsers of outside data, FUZZ_SECONDS each (a minute by default).
FUZZ_SECONDS ?= 60
fuzz:
	scripts/install-deps --fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/run-fuzzers $(FUZZ_SECONDS)

# Benchmarks and the comparison with peers; figures go to build/bench/.
bench: deps-test build
	scripts/test-session bench/run-all

# The Debian package, build/package/corvalin_VERSION-1_ARCH.deb, and what lintian says of it.
package: deps-package build
	cd build && cpack
	lintian --tag-display-limit 0 build/package/corvalin_*.deb

install: build
	cmake --install build --prefix $(PREFIX)

clean:
	rm -rf build build-asan build-tsan build-release build-fuzz

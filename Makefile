# The two commands a player or a developer needs: `make run` and `make test`.
# Both install the Debian packages they are missing first (see tools/install-deps.sh).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build
ASAN_BUILD := build-asan

.PHONY: all build run test unit e2e asan deps-build deps-test clean

all: build

deps-build:
	@tools/install-deps.sh build

deps-test:
	@tools/install-deps.sh test

build: deps-build
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEMWELL_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target gemwell

run: build
	cd $(CURDIR) && ./$(BUILD)/gemwell

# Unit tests, end-to-end tests in a private X server, then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEMWELL_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest -L unit -j $(JOBS) --output-on-failure
	cd $(BUILD) && ctest -L e2e -j 3 --output-on-failure
	$(MAKE) --no-print-directory asan

asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DGEMWELL_TESTS=ON -DGEMWELL_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target rules_tests shell_tests
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest -L unit -j $(JOBS) --output-on-failure

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

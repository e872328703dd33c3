# The two commands of the README, plus benchmarks and the sanitizer build CI runs.
PRESET ?= dev
WERROR ?= OFF
BUILD_DIR = build/$(PRESET)
BENCH ?=

.PHONY: setup configure build run test bench fuzz memcheck format package clean

setup:
	@scripts/setup.sh

configure: setup
	cmake --preset $(PRESET) -DTRALBO_WERROR=$(WERROR) > /dev/null

build: configure
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/src/tralbo

# The server tests run against a throwaway PostgreSQL cluster that pg_virtualenv starts and removes.
test: build
	@if command -v pg_virtualenv > /dev/null; then \
		pg_virtualenv ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2; \
	else \
		echo "PostgreSQL is not installed: the server catalogue tests are skipped"; \
		ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2; \
	fi

bench: build
	@scripts/setup.sh --bench
	scripts/bench.sh $(BUILD_DIR) $(BENCH)

fuzz: setup
	cmake --preset fuzz > /dev/null
	cmake --build build/fuzz

# Every test under Valgrind memcheck, logs in $(BUILD_DIR)/memcheck; not for sanitizer builds.
memcheck: build
	scripts/memcheck.sh $(BUILD_DIR)

format: configure
	cmake --build $(BUILD_DIR) --target format

# The Debian package from a release build: build/package/tralbo_<version>_<arch>.deb.
package: setup
	cmake --preset package -DTRALBO_WERROR=$(WERROR) > /dev/null
	cmake --build build/package --target package

clean:
	rm -rf build

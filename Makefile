# Velar: the build and test entry points.
#   make test    Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then ctest
#   make build   the same build without running the tests
#   make tsan    Debug build with ThreadSanitizer (its own directory), then the
#                driver's and the stand-in's suites under it
#   make bench   Release build of the benchmarks, then run them
#   make deps    install the Debian packages the build needs, when missing

BUILD_DIR ?= build
BENCH_DIR ?= build-bench
TSAN_DIR  ?= build-tsan
JOBS      ?= 2
DEB_PACKAGES = cmake g++ libsqlite3-dev libsodium-dev libgtest-dev libbenchmark-dev libncurses-dev

.PHONY: test build tsan bench deps format clean

deps:
	@missing=""; for p in $(DEB_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DVELAR_SANITIZE=ON

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# ThreadSanitizer cannot share a build with AddressSanitizer. Any report of
# a data race or a lock-order inversion fails the run.
$(TSAN_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DVELAR_SANITIZE_THREAD=ON

tsan: $(TSAN_DIR)/CMakeCache.txt
	cmake --build $(TSAN_DIR) -j$(JOBS) --target dblib_tests asa_tests
	TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" $(TSAN_DIR)/bin/dblib_tests
	TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" $(TSAN_DIR)/bin/asa_tests

bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DVELAR_TESTS=OFF -DVELAR_BENCH=ON
	cmake --build $(BENCH_DIR) -j$(JOBS)
	@for b in $(BENCH_DIR)/bin/bench_*; do [ -x "$$b" ] && "$$b"; done

format:
	git ls-files '*.h' '*.cpp' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(TSAN_DIR)

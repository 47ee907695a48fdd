# Velar: the build and test entry points.
#   make demo    Release build of the tour (examples/velar-demo), then run it
#   make test    Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then ctest
#   make build   the same build without running the tests
#   make tsan    Debug build with ThreadSanitizer (its own directory), then the
#                driver's and the stand-in's suites under it
#   make bench   Release build of the benchmarks, run them, and collect one table
#                (build-bench/results.md) and a chart (build-bench/results.png)
#   make deps    install the Debian packages the build needs, when missing

BUILD_DIR ?= build
BENCH_DIR ?= build-bench
TSAN_DIR  ?= build-tsan
DEMO_DIR  ?= build-demo
JOBS      ?= 2
DEB_PACKAGES = cmake g++ libsqlite3-dev libsodium-dev libgtest-dev libbenchmark-dev libncurses-dev
# What the benchmarks compare with and draw with. SOCI's headers need Boost's.
# A package that cannot be installed leaves its column empty, not the run failed.
BENCH_PACKAGES = python3 gnuplot-nox libsqlitecpp-dev libsoci-dev libboost-dev

.PHONY: demo test build tsan bench bench-deps deps format clean

# $(call install_missing,PACKAGES,ON_FAILURE): installs the packages of the
# list that dpkg does not know; ON_FAILURE runs when apt fails (it sees the
# list as $$missing).
define install_missing
	@missing=""; for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  { $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; } || $(2); \
	fi
endef

deps:
	$(call install_missing,$(DEB_PACKAGES),exit 1)

bench-deps: deps
	$(call install_missing,$(BENCH_PACKAGES),for q in $$missing; do DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$q || echo "could not install $$q: its column stays empty"; done)

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

demo: deps
	cmake -S . -B $(DEMO_DIR) -DCMAKE_BUILD_TYPE=Release -DVELAR_TESTS=OFF
	cmake --build $(DEMO_DIR) -j$(JOBS) --target velar-demo
	$(DEMO_DIR)/bin/velar-demo

bench: bench-deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DVELAR_TESTS=OFF -DVELAR_BENCH=ON
	cmake --build $(BENCH_DIR) -j$(JOBS) --target velar_benchmarks
	bash bench/run.sh $(BENCH_DIR)

format:
	git ls-files '*.h' '*.cpp' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(TSAN_DIR) $(DEMO_DIR)

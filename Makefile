# Velar: the build and test entry points.
#   make test    Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then ctest
#   make build   the same build without running the tests
#   make bench   Release build of the benchmarks, then run them
#   make deps    install the Debian packages the build needs, when missing

BUILD_DIR ?= build
BENCH_DIR ?= build-bench
JOBS      ?= 2
DEB_PACKAGES = cmake g++ libsqlite3-dev libsodium-dev libgtest-dev libbenchmark-dev libncurses-dev

.PHONY: test build bench deps format clean

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

bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DVELAR_TESTS=OFF -DVELAR_BENCH=ON
	cmake --build $(BENCH_DIR) -j$(JOBS)
	@for b in $(BENCH_DIR)/bin/bench_*; do [ -x "$$b" ] && "$$b"; done

format:
	git ls-files '*.h' '*.cpp' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR)

# KORV: `make run` builds and opens the program, `make test` builds and runs every test.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# CI builds turn every warning into an error.
ifeq ($(CI),true)
CMAKE_FLAGS += -DKORV_WERROR=ON
endif

.PHONY: all deps configure build run test test-sanitize fuzz bench package format format-check clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Engine tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORV_SANITIZE=ON -DKORV_WITH_QT=OFF -DKORV_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target korv_engine_tests
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS) -L engine

# The file readers under libFuzzer for a bounded time (FUZZ_SECONDS, default 60).
FUZZ_SECONDS ?= 60
fuzz: deps
	scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# A Debian package of KORV (build/korv_<version>_<arch>.deb): apt install ./build/korv_*.deb
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	$(BUILD)/bench/korv_bench

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# Fails when a file of the tree is not formatted as .clang-format says.
format-check:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)

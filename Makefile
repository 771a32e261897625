# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup build build-release run test test-asan fuzz bench format format-check clean install package

all: build

setup:
	@bash scripts/setup.sh

$(BUILD)/build.ninja: CMakeLists.txt | setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The program in the Release configuration (full optimisation brings
# warnings of its own): the program and its libraries, not the tests.
build-release: setup
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target tomekeep

run: build
	@$(BUILD)/app/tomekeep $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Installs the program, its desktop entry, icons, metadata and manual page
# under PREFIX (DESTDIR is honoured for staging).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, written into the build folder.
package: build
	cd $(BUILD) && cpack -G DEB

# The tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTK_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	  ctest --output-on-failure -j $(JOBS)

# libFuzzer targets, built with clang, each run briefly.
FUZZ_SECONDS ?= 60
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTK_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target tk_fuzz_all
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@echo "benchmark program: $(BUILD)/bench/tk_bench"

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a C++ file differs from what the project's .clang-format makes of it.
format-check: setup
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD) $(FUZZ_BUILD)

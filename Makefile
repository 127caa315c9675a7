# The two commands of the README: `make run` starts Pindle, `make test` builds and passes every test.
# For a desktop: `make install` (PREFIX=/usr/local by default; DESTDIR honoured) and `make package`,
# which writes the Debian package pindle_<version>_amd64.deb here.
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
BUILD_TYPE ?= RelWithDebInfo
BUILD_CXX ?=
# The release check builds with the other compiler than $(BUILD), which uses the system's c++ (g++).
RELEASE_BUILD ?= build-release
RELEASE_CXX ?= clang++
PREFIX ?=

.PHONY: run test build setup fuzz bench clean install package release-check

setup:
	bash scripts/setup

build: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DPINDLE_WERROR=ON -DPINDLE_DEBIAN_FLAGS=ON \
	  $(if $(BUILD_CXX),-DCMAKE_CXX_COMPILER=$(BUILD_CXX))
	cmake --build $(BUILD)

run: build
	$(BUILD)/app/pindle

# The fuzzers run first so that the test run's summary closes the output.
test: build
	$(MAKE) fuzz
	$(MAKE) release-check
	cd $(BUILD) && ctest --output-on-failure --timeout 600

fuzz: setup
	bash scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	bash scripts/bench $(BUILD)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) $(if $(PREFIX),--prefix "$(PREFIX)")

package: build
	cd $(BUILD) && cpack -D CPACK_OUTPUT_FILE_PREFIX="$(CURDIR)"

# A Release build of everything with $(RELEASE_CXX), and its package, in a copy of this tree.
release-check: setup
	bash tests/install/release_check.sh $(RELEASE_BUILD) $(RELEASE_CXX)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD)

# The two commands of the README: `make run` starts Pindle, `make test` builds and passes every test.
# For a desktop: `make install` (PREFIX=/usr/local by default; DESTDIR honoured) and `make package`,
# which writes the Debian package pindle_<version>_amd64.deb here.
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
PREFIX ?=

.PHONY: run test build setup fuzz bench clean install package

setup:
	bash scripts/setup

build: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPINDLE_WERROR=ON
	cmake --build $(BUILD)

run: build
	$(BUILD)/app/pindle

# The fuzzers run first so that the test run's summary closes the output.
test: build
	$(MAKE) fuzz
	cd $(BUILD) && ctest --output-on-failure --timeout 600

fuzz: setup
	bash scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	bash scripts/bench $(BUILD)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) $(if $(PREFIX),--prefix "$(PREFIX)")

package: build
	cd $(BUILD) && cpack -D CPACK_OUTPUT_FILE_PREFIX="$(CURDIR)"

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)

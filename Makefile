# The two commands of the README: `make run` starts Pindle, `make test` builds and passes every test.
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30

.PHONY: run test build setup fuzz bench clean

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

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)

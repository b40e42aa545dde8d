# The two commands of the README: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?=
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= true

.PHONY: run test build deps clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) > $(BUILD).configure.log || (cat $(BUILD).configure.log; exit 1)
	@cmake --build $(BUILD)

run: build
	@scripts/run $(BUILD)/ruvo-chat

test: build
	@ctest --test-dir $(BUILD) --output-on-failure --timeout 600

clean:
	rm -rf $(BUILD) $(BUILD).configure.log

# The one entry for a newcomer: `make`, `make test`, `make demo`.
# Each target first installs what this machine lacks.

BUILD := build
HOST_BUILD := $(BUILD)/host
JOBS := $(shell nproc)

.PHONY: all deps host test clean

all: host

deps:
	@scripts/install-deps.sh

host: deps
	@cmake -S . -B $(HOST_BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(HOST_BUILD) -j $(JOBS)

test: host
	@cd $(HOST_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) dist

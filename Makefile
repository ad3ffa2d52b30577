# The one entry for a newcomer: `make`, `make test`, `make demo`.
# Each target first installs what this machine lacks.

BUILD := build
HOST_BUILD := $(BUILD)/host
WIN_BUILD := $(BUILD)/win32
JOBS := $(shell nproc)

.PHONY: all deps host host-configure wine-cases windows test test-host test-wine test-hardening demo clean

all: windows host

deps:
	@scripts/install-deps.sh

# The host tools embed dist/launcher.exe as their default stub, so the
# launcher is built first.
host-configure: windows
	@cmake -S . -B $(HOST_BUILD) -DCMAKE_BUILD_TYPE=Release -DTARNWICK_STUB=$(CURDIR)/dist/launcher.exe \
	  -DTARNWICK_DIST_DIR=$(CURDIR)/dist >/dev/null

host: host-configure
	@cmake --build $(HOST_BUILD) -j $(JOBS)

# Only the host program that the Wine suite and the demo need.
wine-cases: host-configure
	@cmake --build $(HOST_BUILD) -j $(JOBS) --target wine_cases

# The real launcher: dist/launcher.exe, a bare 32-bit GUI executable.
windows: deps
	@cmake --no-warn-unused-cli -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DTARNWICK_HOST_BUILD=$(CURDIR)/$(HOST_BUILD) -DTARNWICK_WINE_DIR=$(CURDIR)/$(BUILD)/wine >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)
	@mkdir -p dist
	@cp $(WIN_BUILD)/launcher.exe dist/launcher.exe
	@echo "dist/launcher.exe: $$(stat -c %s dist/launcher.exe) bytes"

test: test-host test-wine test-hardening

test-host: host
	@cd $(HOST_BUILD) && ctest --output-on-failure -j $(JOBS)

# The end-to-end suite: the real launcher under Wine, one test per case.
test-wine: wine-cases windows
	@cd $(WIN_BUILD) && ctest --output-on-failure; status=$$?; \
	  cat $(CURDIR)/$(BUILD)/wine/logs/suite.txt 2>/dev/null; exit $$status

# The unit tests once more under ASan and UBSan, then both fuzz targets for
# a bounded time (FUZZ_SECONDS, 60 by default) after replaying saved crashers.
test-hardening: deps
	@scripts/run-hardening-tests.sh

demo: wine-cases windows
	@tests/wine/demo.sh $(CURDIR)/$(HOST_BUILD) $(CURDIR)/$(WIN_BUILD) $(CURDIR)/$(BUILD)/wine

clean:
	rm -rf $(BUILD) dist

# The performance figures, side by side with zlib, liblzma and xz; the
# figures come last, one `name: value` line each.
.PHONY: bench
bench: host
	@scripts/bench.sh

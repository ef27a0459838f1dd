# The two everyday commands are 'make run' and 'make test'; see README.md.

SANITIZE ?= 0
ifeq ($(SANITIZE),1)
BUILD ?= build-asan
CMAKE_FLAGS += -DZENTOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD ?= build
endif
ifdef CI
CMAKE_FLAGS += -DZENTOR_WERROR=ON
endif
JOBS ?= $(shell nproc)
# The build's own make runs below ours; keep its output plain.
SUBMAKE = env -u MAKEFLAGS -u MAKELEVEL -u MFLAGS

.PHONY: all deps configure build run test bench screenshots orca-tour install package package-check clean fuzz

all: build

deps:
	@./tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@$(SUBMAKE) cmake --build $(BUILD) -j $(JOBS)

run:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "make run: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); start it from a desktop session." >&2; \
	    exit 1; \
	fi
	@$(MAKE) --no-print-directory build
	@$(BUILD)/src/shell/zentor --sim

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@$(SUBMAKE) cmake --build $(BUILD) --target benchmarks -j $(JOBS)
	@$(BUILD)/bench/zentor-bench

screenshots: build
	@$(SUBMAKE) cmake --build $(BUILD) --target screenshots

# What the screen reader Orca says on a tour of every page by keyboard,
# compared with tests/access/orca-tour.txt; UPDATE=1 writes that file anew.
orca-tour: build
	@./tools/install-deps.sh --orca
	@python3 tests/access/orca_tour.py --app $(BUILD)/src/shell/zentor --sim $(BUILD)/sim/zentor-sim \
	    --expected tests/access/orca-tour.txt --out $(BUILD)/orca-tour.txt $(if $(UPDATE),--update)

# Fuzz targets with clang and libFuzzer, in their own build folder; see fuzz/README.md.
fuzz:
	@FUZZ_SECONDS=$(or $(FUZZ_SECONDS),60) FUZZ_BUILD=build-fuzz JOBS=$(JOBS) ./fuzz/fuzz.sh

install: build
	@cmake --install $(BUILD)

# The Debian package from debian/, with its source package, in $(BUILD)/package/.
package:
	@./tools/install-deps.sh --packaging
	@./packaging/build_deb.sh $(BUILD)/package

# Builds the package twice, in two folders, and compares the bytes.
package-check:
	@./tools/install-deps.sh --packaging
	@./packaging/check_package.sh reproducible $(BUILD)/reproducible

clean:
	@rm -rf build build-asan

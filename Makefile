# Front door: `make test` and `make demo` do all the setup themselves.
SHELL := /bin/bash
.PHONY: all deps host windows test test-host test-windows test-faults fuzz bench bench-install setup demo clean

FUZZ_SECONDS ?= 60
PACKAGE_DIR ?= examples/sample-product
OUT ?= out/setup.exe
# COMPRESS=1: `make setup` embeds the package compressed (cxpack build --compress).
COMPRESS ?=
# Authenticode signing of `make setup`'s result: both or neither.
SIGN_CERT ?=
SIGN_KEY ?=
SIGN_TIMESTAMP_URL ?=

all: host windows

deps:
	@bash tools/install-deps.sh

host: deps
	@cmake --preset host >/dev/null
	@cmake --build --preset host

windows: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

test-host: host
	@ctest --preset host

test-windows: windows
	@tools/with-xvfb.sh ctest --preset windows

test: test-host test-windows

# The fault tests with every kill point of the kill-and-run-again test
# (`make test` kills at a few of them).
test-faults: host windows
	@CX_KILL_POINTS=all tools/with-xvfb.sh ctest --preset windows -R '^e2e\.(kill_rerun|torn_file|full_disk)$$'; \
	  rc=$$?; cat build/windows/tests/e2e/artifacts/kill_rerun-table.txt 2>/dev/null; exit $$rc

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@for t in build/fuzz/fuzz/fuzz_*; do \
	  n=$${t##*/fuzz_}; mkdir -p build/fuzz/corpus/$$n; \
	  echo "fuzzing $$n for $(FUZZ_SECONDS) s"; \
	  $$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 build/fuzz/corpus/$$n fuzz/corpus/$$n || exit 1; \
	done

# The sample product's programs are built here, so its package is the
# staged copy the Windows build assembles (examples/CMakeLists.txt).
ifeq ($(abspath $(PACKAGE_DIR)),$(abspath examples/sample-product))
SETUP_PACKAGE := build/windows/examples/packages/corvexa_package
SETUP_TARGETS := cxsetup_stub corvexa_package
else
SETUP_PACKAGE := $(PACKAGE_DIR)
SETUP_TARGETS := cxsetup_stub
endif

# Writes a setup program carrying PACKAGE_DIR's contents as its package,
# signed (tools/sign-setup.sh) when SIGN_CERT and SIGN_KEY are given.
setup: deps
	@test -d "$(PACKAGE_DIR)" || { echo "make setup: PACKAGE_DIR=<folder> names no folder ($(PACKAGE_DIR))" >&2; exit 2; }
	@if [ -n "$(SIGN_CERT)$(SIGN_KEY)" ] && { [ -z "$(SIGN_CERT)" ] || [ -z "$(SIGN_KEY)" ]; }; then \
	  echo "make setup: signing needs both SIGN_CERT=<certificate> and SIGN_KEY=<private key>" >&2; exit 2; fi
	@cmake --preset host >/dev/null
	@cmake --build --preset host --target cxpack
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target $(SETUP_TARGETS)
	@mkdir -p "$(dir $(abspath $(OUT)))"
	@build/host/tools/cxpack/cxpack build "$(SETUP_PACKAGE)" -o "$(OUT)" --stub build/windows/cxsetup_stub.exe $(if $(COMPRESS),--compress)
	@echo "wrote $(OUT) from $(SETUP_PACKAGE)"
	@if [ -n "$(SIGN_CERT)" ]; then \
	  bash tools/sign-setup.sh "$(OUT)" "$(SIGN_CERT)" "$(SIGN_KEY)" $(if $(SIGN_TIMESTAMP_URL),"$(SIGN_TIMESTAMP_URL)"); fi

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench
	@build/bench/bench/cx_bench_package
	@bench/pack_extract_bench.sh build/bench/tools/cxpack/cxpack

# cxsetup against NSIS and an MSI installing the same tree under Wine (not
# part of `make test`; installs its peers itself). BENCH_FULL=1 for the full
# 256 MiB tree and a 1 GiB package.
bench-install: deps
	@bash bench/install_bench.sh

# Installs the sample product silently into a clean Wine prefix under Xvfb,
# shows what landed, and uninstalls it through its Uninstall.exe.
demo: deps
	@bash tools/demo.sh

clean:
	rm -rf build/host build/windows build/fuzz out

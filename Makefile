# tolvane: top-level targets.  Every target first installs what is missing.
OCTAVE  ?= octave
PYTHON  ?= /usr/bin/python3
VERSION := $(shell sed -n 's/^Version: *//p' DESCRIPTION)
DIST    := tolvane-$(VERSION)
N       ?=
# Debian suites for check-platforms (debootstrap names).
PLATFORMS ?= trixie sid

.PHONY: all deps deps-build build check check-platforms demo bench dist fuzz memcheck tsan longrun clean

all: build

deps-build:
	@bash tools/install-deps.sh --build-only

deps:
	@bash tools/install-deps.sh

build: deps-build
	@$(MAKE) --no-print-directory -C src

check: deps build
	@bash test/run_tests.sh

check-platforms:
	@bash tools/check-platforms.sh $(PLATFORMS)

demo: deps build
	@$(OCTAVE) --no-gui --no-window-system --norc --no-history -q demo/demo.m

bench: deps build
	@bash bench/run.sh

fuzz: deps build
	@bash fuzz/run.sh $(N)

memcheck: deps build
	@bash tools/memcheck.sh

tsan: deps build
	@bash tools/tsan.sh

longrun: deps build
	@$(OCTAVE) --no-gui --no-window-system --norc --no-history -q bench/longrun.m

dist:
	@rm -rf build/$(DIST) && mkdir -p build/$(DIST)
	@cp -r DESCRIPTION COPYING README.md inst build/$(DIST)/
	@mkdir -p build/$(DIST)/src
	@cp src/Makefile src/*.h src/*.cc build/$(DIST)/src/
	@tar -C build -czf $(DIST).tar.gz $(DIST)
	@echo "wrote $(DIST).tar.gz"

clean:
	@$(MAKE) --no-print-directory -C src clean
	@rm -rf build $(DIST).tar.gz

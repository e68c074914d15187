# The two commands a new user runs: `make test` and `make demo`; `make package` makes the
# release a modeller installs.
.PHONY: test test-steps package demo serve bench host-figures fuzz memcheck setup-all setup-native build-linux build-asan build-windows build-fuzz build-bench

# Seconds each fuzz target runs for in `make fuzz`; `make test` runs them for 30.
FUZZ_SECONDS ?= 300

# Every step of the run, then the time it took, whether it passed or not.
test:
	@start=$$(date +%s); status=0; $(MAKE) --no-print-directory test-steps || status=$$?; \
	 took=$$(( $$(date +%s) - start )); \
	 echo "make test took $$((took / 60)) min $$((took % 60)) s ($$( [ $$status -eq 0 ] && echo all steps passed || echo a step FAILED ))"; \
	 exit $$status

test-steps: setup-all build-linux build-asan build-windows
	ctest --preset linux
	ctest --preset asan
	ctest --preset windows
	tools/memcheck.sh
	$(MAKE) --no-print-directory build-fuzz
	tools/run-fuzzers.sh 30
	$(MAKE) --no-print-directory build-bench

# The libFuzzer targets (fuzz/), built with clang in build/fuzz, each run FUZZ_SECONDS.
fuzz: setup-all build-fuzz
	tools/run-fuzzers.sh $(FUZZ_SECONDS)

# The demo's sessions under valgrind: no memory error, nothing definitely lost.
memcheck: setup-all build-linux
	tools/memcheck.sh

# The tour runs twice in build/demo: the second session opens the scene the first one
# saved, with the settings it wrote.
demo: setup-native
	cmake --preset linux >/dev/null
	cmake --build --preset linux --target pellucid pellucid-host
	rm -rf build/demo && mkdir -p build/demo && cp examples/workshop.scene build/demo/
	cd build/demo && ../linux/bin/pellucid-host --settings settings.xml --script ../../examples/tour-1.txt workshop.scene
	@echo
	@echo "---- second session ----"
	cd build/demo && ../linux/bin/pellucid-host --settings settings.xml --script ../../examples/tour-2.txt tour.scene
	@echo
	@echo "---- the saved scene, build/demo/tour.scene ----"
	@cat build/demo/tour.scene

# The sample scene served as a page (pellucid-host serve) in build/serve, where a scene
# saved from the page stays for the next time.
serve: setup-native
	cmake --preset linux >/dev/null
	cmake --build --preset linux --target pellucid pellucid-host
	mkdir -p build/serve && [ -f build/serve/workshop.scene ] || cp examples/workshop.scene build/serve/
	cd build/serve && ../linux/bin/pellucid-host serve --settings settings.xml workshop.scene

# dist/pellucid-<version>-win64.zip from the Windows build's plug-in file, stripped, with
# its debug information beside the zip.
package: setup-all
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target pellucid_package

bench: setup-all build-bench
	build/bench/bin/slot_bench

# pellucid-host on a generated scene of 200,000 objects, in the optimised build: a session
# that only loads it beside one that stores once and recalls twenty times, in one run.
host-figures: setup-all
	cmake --preset bench >/dev/null
	cmake --build --preset bench --target pellucid pellucid-host host_figures
	build/bench/bin/host_figures build/bench/bin/pellucid-host 200000 -- --force

setup-all:
	@tools/setup.sh all

setup-native:
	@tools/setup.sh native

build-linux:
	cmake --preset linux >/dev/null
	cmake --build --preset linux

build-asan:
	cmake --preset asan >/dev/null
	cmake --build --preset asan

build-windows:
	cmake --preset windows >/dev/null
	cmake --build --preset windows

build-fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

# Built by make test too: the optimised build warns where the others do not.
build-bench:
	cmake --preset bench >/dev/null
	cmake --build --preset bench

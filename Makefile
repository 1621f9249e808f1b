# Entry points: `make run` builds and reads the bundled samples, `make demo` builds and starts
# the desktop program ZrDemo (needs a display), `make test` builds and runs the whole test suite.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: run demo test sanitize memcheck tidy deps configure build clean fuzz

run: build
	$(BUILD)/demo/zrread samples/*.png

demo: build
	$(BUILD)/demo/ZrDemo samples/code39.png

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DZR_SANITIZE=ON -DZR_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-asan -j $(JOBS)
	ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS)

# clang-tidy's bugprone and performance checks over every file the build compiles.
tidy: build
	sh scripts/tidy.sh $(BUILD) $(JOBS)

# The whole suite under valgrind's memcheck.
memcheck: build
	ctest --test-dir $(BUILD) -T memcheck -j $(JOBS) --output-on-failure

deps:
	@sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# `make fuzz` builds the fuzz targets with clang, ASan and UBSan, and runs each
# for FUZZ_SECONDS: the image-file readers (bmp png jpeg tiff) and the readers'
# scans and data decoders (bar_scan qr_scan dm_scan microqr_scan pdf417_scan
# qr_segments microqr_segments dm_encodation pdf417_compaction).
# FUZZ_TARGETS picks some of them (FUZZ_FORMATS still picks image formats);
# FUZZ_JOBS=2 runs two reader targets at once.
FUZZ_TARGETS ?=
fuzz:
	@sh scripts/install-deps.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DZR_FUZZ=ON -DZR_BUILD_TESTS=OFF -DZR_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target imgrw_fuzzers reader_fuzzers
	@formats="$(FUZZ_FORMATS)"; readers=""; status=0; \
	if [ -n "$(FUZZ_TARGETS)" ]; then \
	  formats=""; \
	  for t in $(FUZZ_TARGETS); do \
	    case $$t in bmp|png|jpeg|tiff) formats="$$formats $$t" ;; *) readers="$$readers $$t" ;; esac; \
	  done; \
	  [ -z "$$formats" ] || sh fuzz/imgrw/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $$formats || status=1; \
	  [ -z "$$readers" ] || bash fuzz/readers/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $$readers || status=1; \
	else \
	  sh fuzz/imgrw/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $$formats || status=1; \
	  [ -n "$(FUZZ_FORMATS)" ] || bash fuzz/readers/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) || status=1; \
	fi; \
	exit $$status

clean:
	rm -rf $(BUILD)

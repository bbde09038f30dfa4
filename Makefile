# Vlnkar: set-up, build, run and test on Debian 12.
#   make run    install what is missing, build the program alone (no tests),
#               start it
#   make test   install what is missing, build, run every test, the fuzz
#               targets, then every test again under AddressSanitizer and
#               UndefinedBehaviorSanitizer
#   make fuzz   build the fuzz targets with clang and run each for
#               FUZZ_SECONDS (20) under ASan and UBSan
#   make package  build the Debian package build/vlnkar_<version>_<arch>.deb
#   make soak   the long random-input run, SOAK_TICKS (200000) ticks: in the
#               plain build (with the resident size measured), then under
#               AddressSanitizer and UndefinedBehaviorSanitizer
#   make bench  build and run the benchmarks

# Everything the build, the tests, the fuzzing, the package and the
# screenshots need.
PACKAGES := cmake make g++ pkg-config \
	libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libphysfs-dev libpng-dev \
	fonts-dejavu-core librsvg2-bin \
	googletest libgtest-dev libbenchmark-dev \
	clang libclang-rt-14-dev \
	dpkg-dev appstream desktop-file-utils libglib2.0-bin lintian man-db \
	xvfb xauth xdotool x11-utils xfonts-base imagemagick locales libgl1-mesa-dri tesseract-ocr \
	gettext

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 20
SOAK_TICKS ?= 200000
SOAK_SEED ?= 12012
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build build-program build-asan build-fuzz run test fuzz soak package bench clean

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

# Our builds stop at any warning; the one the package is made from has
# Debian's hardening flags.
configure: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLNKAR_WERROR=ON -DVLNKAR_HARDENING=ON

# Everything: the program, its archive and catalogue, the icons, the tests
# and the benchmarks.
build: configure
	cmake --build build -j $(JOBS)

# Only what the program needs to start: itself, textury.dat and the
# catalogue of the help texts.
build-program: configure
	cmake --build build -j $(JOBS) --target vlnkar translations

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVLNKAR_SANITIZE=ON -DVLNKAR_WERROR=ON -DVLNKAR_BENCHMARKS=OFF
	cmake --build build-asan -j $(JOBS)

# Only the sources the fuzz targets need, compiled by clang (libFuzzer).
build-fuzz: deps
	cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-fuzz -j $(JOBS)

fuzz: build-fuzz
	bash tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

soak: build build-asan
	cd build && VLNKAR_SOAK_TICKS=$(SOAK_TICKS) VLNKAR_SOAK_SEED=$(SOAK_SEED) ./test_soak
	cd build-asan && VLNKAR_SOAK_TICKS=$(SOAK_TICKS) VLNKAR_SOAK_SEED=$(SOAK_SEED) \
	  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ./test_soak

package: build
	cmake --build build --target package

run: build-program
	cd build && ./vlnkar

test: build
	cd build && ctest --output-on-failure
	$(MAKE) fuzz
	$(MAKE) build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure

bench: build
	cd build && ./bench_platform && ./bench_three_region && ./bench_infinite_well && ./bench_oscillator && ./bench_frame && ./bench_packet

clean:
	rm -rf build build-asan build-fuzz

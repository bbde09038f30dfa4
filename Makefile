# Vlnkar: set-up, build, run and test on Debian 12.
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run every test, then again
#               under AddressSanitizer and UndefinedBehaviorSanitizer
#   make bench  build and run the benchmarks

# Everything the build, the tests and the screenshots need.
PACKAGES := cmake make g++ pkg-config \
	libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libphysfs-dev \
	fonts-dejavu-core librsvg2-bin \
	googletest libgtest-dev libbenchmark-dev \
	xvfb xauth xdotool x11-utils xfonts-base imagemagick locales libgl1-mesa-dri

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build build-asan run test bench clean

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

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVLNKAR_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

run: build
	cd build && ./vlnkar

test: build
	cd build && ctest --output-on-failure
	$(MAKE) build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure

bench: build
	cd build && ./bench_platform && ./bench_three_region && ./bench_oscillator

clean:
	rm -rf build build-asan

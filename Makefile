# make run   installs what is missing, builds, and opens the program on the demo account set
# make test  installs what is missing, builds, and runs every test
# make install [PREFIX=/usr/local] [DESTDIR=...]   builds, then installs the programs and their files
# make package   builds, then makes the Debian package in $(BUILD_DIR)
# make guide-pictures   takes the user guide's pictures again
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
DEMO_DIR := $(BUILD_DIR)/demo
DEMO_YEAR := $(shell date +%Y)

.PHONY: all deps build test run demo bench sanitize clean install package guide-pictures

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

demo: build
	@if [ ! -f $(DEMO_DIR)/$(DEMO_YEAR).ksk ]; then \
	  $(BUILD_DIR)/kszw-cli demo $(DEMO_DIR) --year $(DEMO_YEAR); \
	fi

# Opens the program on the demo year file; without a display it runs under a virtual one.
run: demo
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD_DIR)/kszw $(DEMO_DIR)/$(DEMO_YEAR).ksk; \
	else \
	  echo "No display: the program runs under xvfb-run."; \
	  xvfb-run -a $(BUILD_DIR)/kszw $(DEMO_DIR)/$(DEMO_YEAR).ksk; \
	fi

bench: build
	@for b in $(BUILD_DIR)/*_bench; do [ -x "$$b" ] && QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} "$$b"; done; true

# Every test once more in a build with the address and undefined-behaviour sanitizers and the
# library's own assertions (build-sanitize/); any report fails the run.
SANITIZE_DIR ?= build-sanitize
sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS"
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# The programs, the desktop entry, the MIME type, the icons and the documentation under PREFIX
# (DESTDIR, when set, is put before every path, for staged installs).
PREFIX ?= /usr/local
# Installed into the live system (no DESTDIR), the desktop's MIME, menu and icon caches of PREFIX are
# refreshed, so *.ksk files open with the program at once (a package leaves that to dpkg's triggers).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)" --strip
	@if [ -z "$(DESTDIR)" ]; then \
	  ! command -v update-mime-database >/dev/null || update-mime-database "$(PREFIX)/share/mime"; \
	  ! command -v update-desktop-database >/dev/null || update-desktop-database -q "$(PREFIX)/share/applications"; \
	  ! command -v gtk-update-icon-cache >/dev/null || gtk-update-icon-cache -qtf "$(PREFIX)/share/icons/hicolor"; \
	fi; true

# The Debian package kszw_<version>_<arch>.deb, made by CPack in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack -G DEB
	@ls -1 $(abspath $(BUILD_DIR))/kszw_*.deb | sed "s/^/Package: /"

# Takes every picture of the user guide (docs/images/) again, on a fresh demo set of a fixed day.
guide-pictures: build
	BUILD_TYPE=$(BUILD_TYPE) KSZW_BUILD_DIR=$(abspath $(BUILD_DIR)) bash scripts/guide-pictures.sh

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)

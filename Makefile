# The two everyday commands are `make run` and `make test`; each installs
# whatever Debian packages are missing first.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
FUZZ_SECONDS ?= 60
WERROR ?= OFF
JOBS ?= $(shell nproc)
CMAKE ?= cmake
PREFIX ?= /usr/local

# Release files carry the last commit's time, not the moment they were built.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif

.DEFAULT_GOAL := all
.PHONY: all configure game run test test-sanitize bench fuzz install package check-reproducible clean memcheck test-fresh-debian windows test-windows web test-web bench-web screenshot

# Qt for Windows builds on Debian 13: on an older Debian `make windows` stops
# here, before it installs or configures anything.
ifneq ($(filter windows test-windows,$(MAKECMDGOALS)),)
windows_elsewhere := $(shell scripts/build-qt-windows.sh --can-build)
ifneq ($(windows_elsewhere),)
$(error $(windows_elsewhere))
endif
endif

# deps-build, deps-test, ...: the packages each command needs.
deps-%:
	@scripts/install-deps.sh $*

# Always re-run the build: CMake knows what is out of date, make does not.
configure: deps-build
	$(CMAKE) -S . -B $(BUILD) -DZORBUNY_WERROR=$(WERROR) $(CONFIGURE_FLAGS)

# Everything: the game, its install tree and every test program.
all: configure
	$(CMAKE) --build $(BUILD) -j $(JOBS)

# The game alone, so that `make run` does not wait for the tests to build.
game: configure
	$(CMAKE) --build $(BUILD) -j $(JOBS) --target zorbuny

run: game
	$(BUILD)/zorbuny

test: deps-test all
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps-test
	$(CMAKE) -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZORBUNY_SANITIZE=ON -DZORBUNY_WERROR=$(WERROR)
	$(CMAKE) --build $(SANITIZE_BUILD) -j $(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

bench: deps-bench
	$(CMAKE) -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DZORBUNY_BENCH=ON -DBUILD_TESTING=OFF
	$(CMAKE) --build $(BENCH_BUILD) -j $(JOBS) --target bench_choose_move
	$(BENCH_BUILD)/bench/bench_choose_move

# A scripted game on the real window (offscreen) under valgrind: no invalid
# access, nothing definitely lost.
memcheck: deps-memcheck all
	QT_QPA_PLATFORM=offscreen valgrind --tool=memcheck --leak-check=full \
		--errors-for-leak-kinds=definite --show-leak-kinds=definite --error-exitcode=3 \
		$(BUILD)/tests/main_window/tst_frmmain

# Under sudo the build stays its owner's; only the copying is done as root.
AS_BUILDER := $(if $(SUDO_USER),sudo -u $(SUDO_USER),)
install: deps-build
	@dir='$(PREFIX)'; while [ ! -e "$$dir" ]; do dir=$$(dirname "$$dir"); done; \
	[ -w "$$dir" ] || { echo "make install: $(PREFIX) is not yours to write; use 'sudo make install', or 'make install PREFIX=~/.local' for yourself alone" >&2; exit 1; }
	$(AS_BUILDER) $(MAKE) all
	$(CMAKE) --install $(BUILD) --prefix $(PREFIX)
	$(if $(SUDO_USER),chown $(SUDO_USER): $(BUILD)/install_manifest.txt)

# A .deb in $(BUILD), its dependencies worked out from the executable, and
# its SHA256SUMS. CPack gives the .deb's own members the modes its temporary
# files have, so they follow the umask.
package: deps-package all
	cd $(BUILD) && umask 022 && cpack && sha256sum zorbuny_*.deb >SHA256SUMS

# The .deb, the Windows zip where Qt for Windows is built and the web page
# where Qt for WebAssembly is, twice from fresh clones: the same bytes both
# times, or diffoscope's word on why not. REPRODUCIBLE_FIRST=TREE takes the
# zip and the page that TREE has built as the first build.
check-reproducible: deps-reproducible
	scripts/check-reproducible.sh $(if $(REPRODUCIBLE_FIRST),--first $(REPRODUCIBLE_FIRST)) deb $$(scripts/build-qt-windows.sh --check >/dev/null && echo windows) \
		$$(scripts/build-qt-web.sh --check >/dev/null 2>&1 && echo web)

# A short libFuzzer run over the analysis; new finds go to $(FUZZ_BUILD)/corpus,
# the seed corpus in fuzz/corpus is only read.
fuzz: deps-fuzz
	CXX=clang++ $(CMAKE) -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORBUNY_FUZZ=ON -DBUILD_TESTING=OFF
	$(CMAKE) --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_analysis
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/fuzz/fuzz_analysis -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus fuzz/corpus

# `make test` as an ordinary user on a freshly bootstrapped minimal Debian 12
# and 13, from a clone of the current commit (root only; see the script).
# FRESH_DEBIAN=forky tries Debian's testing release, the next Debian, which
# moves daily: asked for by name, never by default.
# FRESH_STEPS adds, on Debian 13, the page, the Windows build and the
# reproducibility check in the same root.
FRESH_DEBIAN ?= bookworm trixie
FRESH_STEPS ?= test
test-fresh-debian: deps-fresh-debian
	for suite in $(FRESH_DEBIAN); do scripts/test-fresh-debian.sh $$suite $(FRESH_STEPS) || exit 1; done

# The game for 64-bit Windows in $(WINDOWS_BUILD): zorbuny-<version>-windows-x86_64.zip,
# the setup program that installs the same for one user (...-setup.exe), the
# source of what they ship and SHA256SUMS. Debian 13 only; Qt for Windows is
# built from Debian's source the first time, once per machine
# (scripts/build-qt-windows.sh); the icon is drawn by the Linux build's export_icons.
windows: deps-windows
	$(CMAKE) -S . -B $(BUILD) -DZORBUNY_WERROR=$(WERROR)
	$(CMAKE) --build $(BUILD) -j $(JOBS) --target export_icons
	qt="$$(scripts/build-qt-windows.sh)" && \
	$(CMAKE) -G Ninja -S . -B $(WINDOWS_BUILD) -DCMAKE_BUILD_TYPE=Release -DZORBUNY_WERROR=$(WERROR) \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
		-DZORBUNY_WINDOWS_QT="$$qt" -DCMAKE_PREFIX_PATH="$$qt" \
		-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
		-DCMAKE_CROSSCOMPILING_EMULATOR=$(CURDIR)/tests/wine/emulate.sh \
		-DZORBUNY_EXPORT_ICONS=$(abspath $(BUILD))/packaging/export_icons
	$(CMAKE) --build $(WINDOWS_BUILD) -j $(JOBS) --target windows_zip windows_setup
	cd $(WINDOWS_BUILD) && zip=$$(ls zorbuny-*-windows-x86_64.zip) && \
	$(CURDIR)/scripts/windows-sources.sh "$${zip%.zip}-sources" && \
	sha256sum "$$zip" "$${zip%.zip}-setup.exe" >SHA256SUMS

# The Windows test programs, the unpacked zip's game and the setup program's
# install, upgrade and uninstall, under Wine on an X server with a window manager.
test-windows: windows
	$(CMAKE) --build $(WINDOWS_BUILD) -j $(JOBS)
	$(CMAKE) --build $(BUILD) -j $(JOBS) --target tst_winewindow
	tests/wine/run.sh $(WINDOWS_BUILD) $(BUILD)/tests/wine/tst_winewindow

# The game in a web page, staged in $(WEB_BUILD): index.html, zorbuny.js,
# zorbuny.wasm and Qt's loader, the app manifest, its icons (drawn by a host
# build's export_icons in $(WEB_BUILD)/build/host) and the service worker,
# with Qt's licences, source and a relink kit beside them, and SHA256SUMS of
# them all. Debian 13 only; Qt for WebAssembly
# is built from Debian's source the first time, once per machine
# (scripts/build-qt-web.sh). A build folder set up with another Qt for
# WebAssembly keeps that one's compiler, so it starts afresh.
web:
	@scripts/build-qt-web.sh --supported
	@scripts/install-deps.sh web
	qt="$$(scripts/build-qt-web.sh)" && \
	{ grep -qsxF "Qt6_DIR:PATH=$$qt/lib/cmake/Qt6" $(WEB_BUILD)/build/CMakeCache.txt || \
		rm -rf $(WEB_BUILD)/build; } && \
	$(CMAKE) -S . -B $(WEB_BUILD)/build/host -DZORBUNY_WERROR=$(WERROR) -DBUILD_TESTING=OFF >/dev/null && \
	$(CMAKE) --build $(WEB_BUILD)/build/host -j $(JOBS) --target export_icons && \
	EMSDK="$$qt/emsdk" "$$qt/bin/qt-cmake" -G Ninja -S . -B $(WEB_BUILD)/build \
		-DCMAKE_BUILD_TYPE=MinSizeRel -DZORBUNY_WERROR=$(WERROR) -DBUILD_TESTING=OFF \
		-DQT_SKIP_AUTO_PLUGIN_INCLUSION=OFF \
		-DZORBUNY_WEB_PAGE=$(abspath $(WEB_BUILD)) -DZORBUNY_QT_SOURCE="$$qt/source" \
		-DZORBUNY_EXPORT_ICONS=$(abspath $(WEB_BUILD))/build/host/packaging/export_icons && \
	EMSDK="$$qt/emsdk" $(CMAKE) --build $(WEB_BUILD)/build -j $(JOBS)
	cd $(WEB_BUILD) && find . -path ./build -prune -o -type f ! -name SHA256SUMS -printf '%P\n' | \
		LC_ALL=C sort | xargs sha256sum >SHA256SUMS

# The page served on localhost and played in headless Chromium and Firefox; its reader layer in
# Chromium; and the page played by ear with Orca and Chromium on an X server of their own.
test-web: web
	@scripts/install-deps.sh test-web
	python3 tests/web/tst_page.py $(WEB_BUILD) $(WEB_BUILD)/build/web-test
	python3 tests/web/tst_page_layer.py $(WEB_BUILD) $(WEB_BUILD)/build/web-test
	python3 tests/web/tst_page_reader.py $(WEB_BUILD) $(WEB_BUILD)/build/web-test

# What the page weighs with gzip and how soon its board is drawn, in both.
bench-web: web
	@scripts/install-deps.sh test-web
	python3 bench/web_page.py $(WEB_BUILD)

# The README's picture of a game in progress, docs/screenshot.png: the game
# on an X server of its own with openbox, a few moves played by xdotool.
screenshot: deps-screenshot game
	scripts/screenshot.sh $(BUILD)/zorbuny docs/screenshot.png

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(WEB_BUILD)

# Two commands do all the set-up on a fresh Debian machine: `make play` and `make test`.
JOBS ?= $(shell nproc)
DEFAULT_BIN := build/default/bin

.PHONY: play test test-asan build deps bench windows windows-deps windows-exe web web-deps serve-web bench-web demo clean format replays-record install deb package-deps

deps:
	tools/install-deps.sh build

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

play: build
	tools/play.sh $(DEFAULT_BIN)

# The Windows tests (label `windows`) cross-build the .exe themselves and run it under Wine; the
# browser tests (label `web`) build the page with Emscripten and play it in headless Chromium.
test: build windows-deps web-deps package-deps
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS) -LE 'e2e|windows|web|install'

bench:
	tools/install-deps.sh build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	build/bench/bin/kueruma-bench

demo: build
	tools/play.sh --headless $(DEFAULT_BIN)

# The game, the runner and the solver with their cues, menu entry, icons, metainfo and manual
# pages under PREFIX; DESTDIR=/some/root stages the same tree elsewhere, as packagers do.
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install build/default --prefix "$(PREFIX)"

package-deps:
	tools/install-deps.sh package

# The Debian package dist/kueruma_VERSION_ARCH.deb (the libraries it needs found by
# dpkg-shlibdeps), built as Debian builds its packages: with the flags dpkg-buildflags gives
# (stack protector, fortify, read-only relocations bound at start), warnings not errors, and
# every time stamp the last commit's, so two builds of one commit give the same bytes.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || stat -c %Y CMakeLists.txt)
DEB_FLAGS = $(shell DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get $(1))
deb: deps package-deps
	CFLAGS="$(call DEB_FLAGS,CFLAGS) $(call DEB_FLAGS,CPPFLAGS)" \
	  CXXFLAGS="$(call DEB_FLAGS,CXXFLAGS) $(call DEB_FLAGS,CPPFLAGS)" \
	  LDFLAGS="$(call DEB_FLAGS,LDFLAGS)" cmake --preset deb >/dev/null
	cmake --build --preset deb -j $(JOBS)
	rm -rf build/package
	cd build/deb && SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) cpack -G DEB -B "$(CURDIR)/build/package" >/dev/null
	mkdir -p dist
	cp build/package/kueruma_*.deb dist/
	@echo "dist/$$(cd build/package && ls kueruma_*.deb) is ready"

windows-deps:
	tools/install-deps.sh windows

windows-exe: windows-deps
	JOBS=$(JOBS) tests/windows/cross_build.sh

# kueruma.exe with its sounds (made by the host build) and a read-me, zipped for Windows.
windows: build windows-exe
	packaging/windows/package.sh

web-deps:
	tools/install-deps.sh web

# The game as a web page: dist/web holds everything to serve (page, .js, .wasm, sounds, read-me).
web: web-deps
	JOBS=$(JOBS) tests/web/build_site.sh
	rm -rf dist/web
	mkdir -p dist
	cp -r build/web/site dist/web
	@echo "dist/web is ready: 'make serve-web' serves it"

WEB_PORT ?= 8000
serve-web: web
	@echo "serving dist/web at http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops)"
	python3 -m http.server --bind 127.0.0.1 --directory dist/web $(WEB_PORT)

# The browser game's size, first-frame time and idle CPU in headless Chromium (figures only).
bench-web: web
	mkdir -p build/web-tools
	cp tests/web/package.json tests/web/package-lock.json build/web-tools/
	cd build/web-tools && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --prefer-offline >/dev/null
	NODE_PATH=build/web-tools/node_modules node bench/web_measure.js dist/web

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

# After a change meant to alter how the recorded replays play: search every stage again with
# the command its replay's first line names (the same run on any machine), then rewrite
# replays/expected.txt and the per-tick digests that tests/replay_test.cpp checks them against.
replays-record: build
	for script in replays/stage-?.txt; do \
	  args=$$(sed -n '1s/^# kueruma-solve \(.*\): score .*/\1/p' $$script); \
	  [ -n "$$args" ] || { echo "$$script: no kueruma-solve command on its first line"; exit 1; }; \
	  echo "kueruma-solve $$args"; \
	  $(DEFAULT_BIN)/kueruma-solve $$args --out $$script.new && mv $$script.new $$script \
	    || { rm -f $$script.new; exit 1; }; \
	done
	$(DEFAULT_BIN)/kueruma-record-replays replays

clean:
	rm -rf build dist

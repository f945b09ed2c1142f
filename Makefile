# Two commands do everything: `make run` plays, `make test` checks.
BUILD      := build
PREFIX     ?= /usr/local
ASAN_BUILD := build-asan
NATIVE_BUILD := build-native
JOBS       := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test test-unit asan clean bench nettest soak soak-native fuzz install deb mapreport

all: build

deps:
	@bash tools/setup.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD) && ./krag

asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRAG_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

# The whole suite: unit, tool and end-to-end tests on the release build, then the
# unit and tool tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
test: build asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -E '^e2e_'
	cd $(BUILD) && ctest --output-on-failure -L e2e
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

# Installs under PREFIX (default /usr/local), staged below DESTDIR when it is given:
# PREFIX/games/krag, PREFIX/share/games/krag/{bmp,wav,krm}, desktop entry, icons,
# AppStream metainfo and man pages.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package built the Debian way (debian/ with debhelper) from a copy of the
# source in build-deb/, so the tree stays clean; lintian's verdict is printed.
deb:
	@bash tools/setup.sh deb
	bash tools/make_deb.sh $(CURDIR) $(CURDIR)/build-deb

bench: build
	cd $(BUILD) && ./krag-bench

# Network figures: whole matches inside one process over the seeded lossy link.
nettest: build
	cd $(BUILD) && ./krag-nettest

# Simulated minutes each map takes to decide a deathmatch (several minutes to run).
mapreport: build
	cd $(BUILD) && ./krag-mapreport --jobs $(JOBS)

# The map gallery (docs/maps.md): every shipped map drawn whole by krag-mapshot.
gallery: build
	@mkdir -p docs/maps
	@for m in assets/maps/*.krm; do n=$$(basename $$m .krm); \
		w=$$(head -c 20 $$m | awk '{print $$1; exit}'); s=2; [ $$w -le 640 ] && s=1; \
		[ $$n = wilds ] && s=4; \
		$(BUILD)/krag-mapshot --scale $$s $$n.krm /tmp/krag-$$n.bmp && \
		convert /tmp/krag-$$n.bmp docs/maps/$$n.png && rm -f /tmp/krag-$$n.bmp && echo docs/maps/$$n.png; \
	done

# A build for this very CPU (-march=native) plays the pinned matches and the recorded
# replays exactly as the portable build does.
soak-native: deps
	@cmake -S . -B $(NATIVE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-march=native \
		-DKRAG_TESTS=OFF >/dev/null
	@cmake --build $(NATIVE_BUILD) -j $(JOBS) --target krag-sim assets
	bash tests/tools/sim_identical.sh $(NATIVE_BUILD) .
	@for f in tests/replays/*.krr; do \
		$(NATIVE_BUILD)/krag-sim --replay $$f >/dev/null || { echo "FAIL: $$f with -march=native"; exit 1; }; \
	done; echo "replays: identical with -march=native"

soak: asan soak-native
	cd $(ASAN_BUILD) && KRAG_SOAK_LONG=1 ASAN_OPTIONS=detect_leaks=0 bash ../tests/tools/soak.sh $(CURDIR)/$(ASAN_BUILD) $(CURDIR)
	cd $(ASAN_BUILD) && KRAG_SOAK_LONG=1 ASAN_OPTIONS=detect_leaks=0 bash ../tests/tools/rollback_check.sh $(CURDIR)/$(ASAN_BUILD) $(CURDIR)
	cd $(ASAN_BUILD) && KRAG_NET_GRID=1 ASAN_OPTIONS=detect_leaks=0 ./test_networld

fuzz: build
	bash tests/fuzz/run.sh $(CURDIR) $${FUZZ_SECONDS:-300} map
	bash tests/fuzz/run.sh $(CURDIR) $${FUZZ_SECONDS:-300} replay
	bash tests/fuzz/run.sh $(CURDIR) $${FUZZ_SECONDS:-300} net
	bash tests/fuzz/run.sh $(CURDIR) $${FUZZ_SECONDS:-300} settings

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(NATIVE_BUILD) build-fuzz build-deb

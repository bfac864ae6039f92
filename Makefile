# The two commands of the README, and a few more for developers.
SITORA_HOME ?= $(HOME)/Sitora
JOBS ?= $(shell nproc)

.PHONY: run test build screenshots bench clean uninstall

run:
	SITORA_HOME="$(SITORA_HOME)" scripts/run-program.sh

test:
	scripts/run-tests.sh

uninstall:
	SITORA_HOME="$(SITORA_HOME)" scripts/uninstall.sh

build:
	scripts/install-deps.sh test
	cmake -S . -B build -G Ninja -DSITORA_TESTS=ON
	cmake --build build -j $(JOBS)

screenshots: build
	scripts/screenshots.sh

# Also against a throwaway PostgreSQL cluster, when one can be started here.
bench: build
	@server="$$(scripts/test-server.sh start || true)"; \
	SITORA_BENCH_PGHOST="$$server" build/bench/sitora-bench --records $(or $(RECORDS),100000); status=$$?; \
	[ -z "$$server" ] || scripts/test-server.sh stop "$$server"; exit $$status

clean:
	rm -rf build build-asan build-fuzz

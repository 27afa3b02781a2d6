# The two commands of the README. Each installs what it needs, then builds.
.PHONY: run test screenshot bench clean

run:
	@bash scripts/run.sh

test:
	@bash scripts/test.sh

screenshot:
	@bash scripts/screenshot.sh

bench:
	@bash scripts/bench.sh

clean:
	rm -rf build

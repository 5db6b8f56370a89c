# make run   - install what is missing, build (Release), put the program and its search process
#              (lendsrv) into PROGRAM_DIR and start it
#              there; its folders (Settings/, Import/, MyWork/) lie beside it, so `make clean` and a
#              rebuild leave the user's resource list and borrowed records alone
# make test  - install what is missing, build (Debug, sanitizers, warnings as errors) and run the tests
# make bench - build (Release) and run the benchmarks; fails when one fails or crashes, or when a
#              figure is over its target and again, or not at all, when measured once more alone
# make fuzz  - build the fuzz targets into build/fuzz/fuzz; start them from there, since libFuzzer
#              writes its logs (fuzz-N.log) and crash inputs into the folder it is started from
JOBS ?= $(shell nproc)
PROGRAM_DIR ?= $(HOME)/Borrowline

.PHONY: deps run test bench fuzz clean

deps:
	@bash tools/install-deps.sh

run: deps
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBORROW_TESTS=OFF -DBORROW_WERROR=OFF >/dev/null
	@cmake --build build/release -j $(JOBS)
	@bash tools/install.sh build/release/client/borrowline build/release/lendsrv/lendsrv "$(PROGRAM_DIR)" build/release/client
	@bash tools/run.sh "$(PROGRAM_DIR)"

test: deps
	@cmake -S . -B build/debug -DCMAKE_BUILD_TYPE=Debug -DBORROW_SANITIZE=ON >/dev/null
	@cmake --build build/debug -j $(JOBS)
	@cd build/debug && ctest --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBORROW_TESTS=OFF -DBORROW_BENCH=ON -DBORROW_WERROR=OFF >/dev/null
	@cmake --build build/bench -j $(JOBS)
	@bash bench/run.sh build/bench/bench

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBORROW_TESTS=OFF -DBORROW_FUZZ=ON -DBORROW_WERROR=OFF >/dev/null
	@cmake --build build/fuzz -j $(JOBS) --target fuzzers

# Only what the builds made: the program's folder, with the user's files, stays.
clean:
	rm -rf build

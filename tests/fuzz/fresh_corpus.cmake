# tests/fuzz/fresh_corpus.cmake: cmake -DSEEDS=dir -DSCRATCH=dir -P fresh_corpus.cmake
# Gives a fuzz run a fresh copy of its seeds in SCRATCH/corpus: libFuzzer adds what it finds to
# its first corpus directory, and that must not be the committed one.
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
file(COPY ${SEEDS}/ DESTINATION ${SCRATCH}/corpus)
file(GLOB seeds ${SCRATCH}/corpus/*)
list(LENGTH seeds count)
if(count EQUAL 0)
    message(FATAL_ERROR "no seeds in ${SEEDS}")
endif()
message(STATUS "${count} seeds copied to ${SCRATCH}/corpus")

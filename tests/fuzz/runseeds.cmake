# Runs FUZZER over the seed corpus SEEDS and then up to RUNS inputs in all
# from seed 1. What it finds goes to SCRATCH, emptied first and never
# reloaded meanwhile, so every run tries the same inputs and the seeds in the
# repository are never written.
set(options)
if(EXISTS ${OPTIONS})
    file(STRINGS ${OPTIONS} options)
    separate_arguments(options UNIX_COMMAND "${options}")
endif()
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/corpus)
execute_process(
    COMMAND ${FUZZER} -seed=1 -runs=${RUNS} -reload=0 -timeout=10 -print_final_stats=1 ${options}
        -artifact_prefix=${SCRATCH}/ ${SCRATCH}/corpus ${SEEDS}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${result}); the input it failed on is in ${SCRATCH}")
endif()

# One bounded fuzzer run of the tests, on a fresh copy of the seeds so that the
# repository's corpus is never written. A crash or a broken property fails the test
# and leaves its input in SCRATCH.
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/corpus)
file(COPY ${SEEDS}/ DESTINATION ${SCRATCH}/corpus)
execute_process(
    COMMAND ${FUZZER} ${SCRATCH}/corpus
        -max_total_time=${SECONDS} -max_len=4096 -timeout=10 -rss_limit_mb=2048
        -print_final_stats=1 -artifact_prefix=${SCRATCH}/
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${result}); its input is kept in ${SCRATCH}")
endif()

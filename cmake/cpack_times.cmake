# Read by cpack as it starts: the times in the zip, so that the same source gives the same zip.
#
# CPack's ZIP generator writes every entry's times from SOURCE_DATE_EPOCH when
# it is set (the last commit's time unless the caller set it), and its
# MS-DOS time fields as local time: so UTC, wherever the zip is made.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git log -1 --format=%ct
        WORKING_DIRECTORY ${CPACK_BREVAND_SOURCE_DIR}
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT epoch MATCHES "^[0-9]+$")
        set(epoch 315532800)  # 1980-01-01, the earliest time a zip can hold
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
set(ENV{TZ} UTC0)

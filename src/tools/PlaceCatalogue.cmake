# Puts an empty catalogue CD.db into DIR unless one is there in any letter case.
# Usage: cmake -DTOOL=<tralbo-newcatalogue> -DDIR=<folder> -P PlaceCatalogue.cmake
file(GLOB present RELATIVE "${DIR}" "${DIR}/*")
foreach(name IN LISTS present)
    string(TOLOWER "${name}" lower)
    if(lower STREQUAL "cd.db" AND NOT IS_DIRECTORY "${DIR}/${name}")
        return()
    endif()
endforeach()
execute_process(COMMAND "${TOOL}" "${DIR}/CD.db" COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Empty catalogue placed: ${DIR}/CD.db")

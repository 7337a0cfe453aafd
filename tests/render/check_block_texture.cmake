# Draws the block texture into a fresh temporary directory and compares it
# byte for byte with the committed Images/Block.bmp.
#   cmake -DTOOL=<make_block_texture> -DCOMMITTED=<Images/Block.bmp> -P check_block_texture.cmake
set(tempRoot "$ENV{TMPDIR}")
if(tempRoot STREQUAL "")
  set(tempRoot "/tmp")
endif()
string(RANDOM LENGTH 12 suffix)
set(workDir "${tempRoot}/stapelix-block-${suffix}")
file(MAKE_DIRECTORY "${workDir}")

execute_process(COMMAND "${TOOL}" "${workDir}/Block.bmp" RESULT_VARIABLE toolResult)
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${workDir}/Block.bmp" "${COMMITTED}"
                RESULT_VARIABLE compareResult)
file(REMOVE_RECURSE "${workDir}")

if(NOT toolResult EQUAL 0)
  message(FATAL_ERROR "make_block_texture failed: ${toolResult}")
endif()
if(NOT compareResult EQUAL 0)
  message(FATAL_ERROR "Images/Block.bmp differs from what make_block_texture draws")
endif()

# Fails when a .ts file holds an entry without a finished translation.
# -DTS_FILES=list of .ts files, optional -DSTAMP=file written on success.
foreach(ts IN LISTS TS_FILES)
  if(NOT EXISTS "${ts}")
    message(FATAL_ERROR "${ts} is missing")
  endif()
  file(READ "${ts}" content)
  string(REGEX MATCHALL "<source>[^<]*</source>[^<]*(<comment>[^<]*</comment>[^<]*)?<translation type=\"unfinished\""
         open "${content}")
  list(LENGTH open count)
  if(count GREATER 0)
    string(REGEX REPLACE "</source>[^<]*(<comment>[^<]*</comment>[^<]*)?<translation type=\"unfinished\"" "\n"
           texts "${open}")
    string(REPLACE "<source>" "  " texts "${texts}")
    message(FATAL_ERROR "${ts}: ${count} text(s) without a translation:\n${texts}")
  endif()
endforeach()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()

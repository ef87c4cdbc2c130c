# Fails when a .ts file holds an entry without a finished translation.
# -DTS_FILES=list of .ts files, optional -DSTAMP=file written on success.
foreach(ts IN LISTS TS_FILES)
  if(NOT EXISTS "${ts}")
    message(FATAL_ERROR "${ts} is missing")
  endif()
  file(READ "${ts}" content)
  string(REGEX MATCHALL "<translation type=\"unfinished\"" unfinished "${content}")
  list(LENGTH unfinished count)
  if(count GREATER 0)
    # The texts, for the message: a carriage return is stored as <byte value="xd"/>.
    string(REGEX MATCHALL "<source>([^<]|<byte [^>]*>)*</source>[^<]*(<[a-z]*comment>[^<]*</[a-z]*comment>[^<]*)*<translation type=\"unfinished\""
           open "${content}")
    list(TRANSFORM open REPLACE "<source>(.*)</source>.*" "  \\1")
    list(JOIN open "\n" texts)
    message(FATAL_ERROR "${ts}: ${count} text(s) without a translation:\n${texts}")
  endif()
endforeach()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()

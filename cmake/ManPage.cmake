# Makes the man page trapwright(1) from the program's own --help-all with
# help2man, adding the sections of the include file, and gzips it as Debian
# installs man pages. Run by the build:
#   cmake -DHELP2MAN=... -DPROGRAM=trapwright -DINCLUDE=trapwright.h2m -DOUTPUT=trapwright.1.gz -P ManPage.cmake
# The version on the page is what the program's --version prints.
foreach(variable HELP2MAN PROGRAM INCLUDE OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "ManPage.cmake: ${variable} is not set")
  endif()
endforeach()

string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --help-option=--help-all --include=${INCLUDE} --output=${page} ${PROGRAM}
  COMMAND_ERROR_IS_FATAL ANY)

# help2man makes a subsection of DESCRIPTION of each heading it does not
# know; the commands get a section of their own, between it and OPTIONS.
file(READ ${page} text)
string(FIND "${text}" ".SS \"Commands:\"\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "ManPage.cmake: the help of ${PROGRAM} has no \"Commands:\" heading")
endif()
string(REPLACE ".SS \"Commands:\"\n" ".SH COMMANDS\n" text "${text}")
file(WRITE ${page} "${text}")

# -n: no name or time stamp in the archive, so the same page gives the same bytes.
execute_process(COMMAND gzip -9 -n -f ${page} COMMAND_ERROR_IS_FATAL ANY)

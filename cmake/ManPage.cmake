# cmake -DPROGRAM=exe -DNAME=name -DSUMMARY=text -DVERSION=x.y -DOUTPUT=file.1 -P ManPage.cmake
# A manual page made from the program's --help where help2man is missing: the
# usage text kept line for line under NAME and DESCRIPTION.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${status}): ${errors}")
endif()
# roff: a backslash is written \e, and a line starting with a dot or a quote
# would be read as a request, so it gets a zero-width \& in front.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" name "${NAME}")
set(page ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${name} \\- ${SUMMARY}\n.SH DESCRIPTION\n.nf\n${help}.fi\n")
file(WRITE ${OUTPUT}.tmp "${page}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})

# Writes a man page of korv-batch from its --help text, so the page never falls behind the
# program. Called at build time: cmake -DPROGRAM=... -DOUTPUT=... -DVERSION=... -P Manpage.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()
# roff: a backslash is written \e; a line starting with a dot or an apostrophe is protected by \&.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TIMESTAMP today "%Y-%m-%d" UTC)
file(WRITE ${OUTPUT}
".TH KORV-BATCH 1 \"${today}\" \"KORV ${VERSION}\" \"User Commands\"
.SH NAME
korv-batch \\- KORV's Hall-effect analyses from the command line
.SH DESCRIPTION
korv-batch runs the analyses of the KORV window without a window: the successive
H-function analysis of a measured majority-carrier concentration n(T) or p(T), the side
analyses, and the conversion of foreign data files into measurement files. Every file it
writes has the name and the format the window would give it.
.PP
.nf
${help}
.fi
.SH SEE ALSO
.BR korv (1)
")

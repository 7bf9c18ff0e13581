# Wraps the help page into a one-part MHTML document, the form the shell
# opens as a single file.
#   cmake -DHTML=quickhelp.html -DMHT=QuickHelp.mht -P make_mht.cmake
# MIME wants CRLF line ends; the page is plain ASCII, so it goes as 7bit.
set(boundary "----=_Orvalix_QuickHelp_Part")
file(READ "${HTML}" page)
string(REPLACE "\r\n" "\n" page "${page}")
string(REGEX MATCH "[^\n\t -~]" foreign "${page}")
if(foreign)
  message(FATAL_ERROR "${HTML}: only printable ASCII can go as 7bit")
endif()
# Line by line with string(APPEND): a list would take the semicolons apart.
set(document "")
foreach(line
    "From: <Saved by Orvalix>"
    "Subject: Orvalix Quick Help"
    "MIME-Version: 1.0"
    "Content-Type: multipart/related;"
    "\ttype=\"text/html\";"
    "\tboundary=\"${boundary}\""
    ""
    "This is a multi-part message in MIME format."
    ""
    "--${boundary}"
    "Content-Type: text/html; charset=\"us-ascii\""
    "Content-Transfer-Encoding: 7bit"
    "Content-Location: file:///C:/Orvalix/QuickHelp.htm"
    "")
  string(APPEND document "${line}\n")
endforeach()
string(APPEND document "${page}" "\n--${boundary}--\n")
string(REPLACE "\n" "\r\n" document "${document}")
file(WRITE "${MHT}" "${document}")

# Checks the settings that are compiled into the programs and prints them, so
# that a wrong value is seen when configuring, not after installing.

# Every value lands in a C string literal and most are used as they stand.
function(ndr_refuse_setting name why)
  message(FATAL_ERROR "${name}=\"${${name}}\" is refused: ${why}\n"
                      "Set it when configuring, e.g. cmake --preset default -D${name}=...")
endfunction()

foreach(setting NDR_DRIVES NDR_RELAY_A NDR_RELAY_B NDR_EDITOR)
  if("${${setting}}" MATCHES "[\"\\\\\t\r\n]")
    ndr_refuse_setting(${setting} "it may not hold a quote, a backslash or a control character")
  endif()
endforeach()
foreach(relay NDR_RELAY_A NDR_RELAY_B)
  if("${${relay}}" STREQUAL "")
    ndr_refuse_setting(${relay} "a relay host name may not be empty: it would mark every line \"Received: from \" as the copy of a sent message")
  elseif("${${relay}}" MATCHES " ")
    ndr_refuse_setting(${relay} "a host name holds no blank")
  endif()
endforeach()

if(WIN32)
  message(STATUS "Settings compiled in (Windows: drive paths are real; the editor is EditPad.exe):")
else()
  if(NOT IS_ABSOLUTE "${NDR_DRIVES}")
    ndr_refuse_setting(NDR_DRIVES "the folder holding the drives must be an absolute path")
  endif()
  if("${NDR_EDITOR}" STREQUAL "" OR "${NDR_EDITOR}" MATCHES " ")
    ndr_refuse_setting(NDR_EDITOR "it names one program, started with the message's path as its one argument; for a command with arguments (such as wine with an editor), name a small script that runs it")
  endif()
  message(STATUS "Settings compiled in:")
  message(STATUS "  NDR_DRIVES  = ${NDR_DRIVES}  (P:\\Diverido is ${NDR_DRIVES}/p:/Diverido)")
  message(STATUS "  NDR_EDITOR  = ${NDR_EDITOR}")
endif()
message(STATUS "  NDR_RELAY_A = ${NDR_RELAY_A}")
message(STATUS "  NDR_RELAY_B = ${NDR_RELAY_B}")

# qor_enciphered_header(<target> <header file name> <C symbol> <plain text>)
#
# Generates, at build time, <header file name> in <target>'s binary directory
# declaring `inline constexpr char <C symbol>[] = "<108 characters>";`, the plain
# text enciphered so that the host's eleven decipher steps give it back, and adds
# that directory to <target>'s include path. The plain text goes to the
# encipher tool through a private file, never on its command line.
function(qor_enciphered_header target header symbol plain)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "qor_enciphered_header: no target ${target}")
  endif()
  if(NOT symbol MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "qor_enciphered_header: \"${symbol}\" is not a C identifier")
  endif()
  get_target_property(bindir ${target} BINARY_DIR)
  set(dir "${bindir}/qor_enciphered")
  set(plain_file "${dir}/${symbol}.plain")
  file(MAKE_DIRECTORY "${dir}")
  # rewrite only on change, so the header is not rebuilt at every configure
  set(current "")
  if(EXISTS "${plain_file}")
    file(READ "${plain_file}" current)
  endif()
  if(NOT current STREQUAL plain OR NOT EXISTS "${plain_file}")
    file(WRITE "${plain_file}.tmp" "${plain}")
    file(CHMOD "${plain_file}.tmp" PERMISSIONS OWNER_READ OWNER_WRITE)
    file(RENAME "${plain_file}.tmp" "${plain_file}")
  endif()
  add_custom_command(
    OUTPUT "${dir}/${header}"
    COMMAND qor-encipher --plain-file "${plain_file}" --symbol ${symbol} --out "${dir}/${header}"
    DEPENDS qor-encipher "${plain_file}"
    COMMENT "Enciphering ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE "${dir}/${header}")
  target_include_directories(${target} PRIVATE "${dir}")
endfunction()

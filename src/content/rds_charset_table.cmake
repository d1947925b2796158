# Turns the RDS character table (rds_charset.tsv: code, Unicode character, name,
# other characters shown for the same code) into a C++ table that charset.cpp includes.
#   cmake -DIN=<tsv> -DOUT=<inc> -P rds_charset_table.cmake
# A malformed line stops the build instead of leaving a code out.
cmake_minimum_required(VERSION 3.22)
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(codes "")
set(variants "")
set(count 0)
set(seen "")
foreach(line IN LISTS lines)
  if(line MATCHES "^#" OR line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^0x([0-9A-Fa-f][0-9A-Fa-f])\tU\\+([0-9A-Fa-f]+)\t[^\t]+(\t(.*))?$")
    message(FATAL_ERROR "rds_charset.tsv: malformed line: ${line}")
  endif()
  set(code "${CMAKE_MATCH_1}")
  set(ch "${CMAKE_MATCH_2}")
  set(rest "${CMAKE_MATCH_4}")
  string(TOUPPER "${code}" code)
  if(code IN_LIST seen)
    message(FATAL_ERROR "rds_charset.tsv: code 0x${code} listed twice")
  endif()
  list(APPEND seen "${code}")
  string(APPEND codes "    {0x${code}, U'\\x${ch}'},\n")
  math(EXPR count "${count} + 1")
  string(REGEX MATCHALL "U\\+[0-9A-Fa-f]+" others "${rest}")
  foreach(other IN LISTS others)
    string(SUBSTRING "${other}" 2 -1 hex)
    string(APPEND variants "    {0x${code}, U'\\x${hex}'},\n")
  endforeach()
endforeach()
file(WRITE "${OUT}.tmp"
"// Generated from rds_charset.tsv by rds_charset_table.cmake: do not edit.
inline constexpr std::size_t kRdsTableSize = ${count};
inline constexpr RdsTableEntry kRdsTable[] = {
${codes}};
inline constexpr RdsTableEntry kRdsVariants[] = {
${variants}};
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")

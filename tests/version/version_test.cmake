# The version string for the trees a build meets: a tarball unpacked inside
# another repository, a checkout on a commit, a dirty one, one on a release
# tag and one past a tag with a hyphen in its name.
#   cmake -DMODULE=cmake/QuorvanVersion.cmake -DWORK=<scratch dir> -P version_test.cmake
include("${MODULE}")

function(expect dir expected)
  quorvan_compute_version("9.8" "${dir}" got)
  if(NOT got MATCHES "${expected}")
    message(FATAL_ERROR "version of ${dir}: '${got}', expected to match '${expected}'")
  endif()
  message(STATUS "${dir}: ${got}")
endfunction()

function(git dir)
  execute_process(COMMAND git -c user.name=t -c user.email=t@example.invalid -c commit.gpgsign=false
                          -c tag.gpgsign=false ${ARGN}
                  WORKING_DIRECTORY "${dir}" RESULT_VARIABLE r OUTPUT_QUIET ERROR_QUIET)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "git ${ARGN} failed in ${dir}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
set(repo "${WORK}/repo")
file(MAKE_DIRECTORY "${repo}")
git("${repo}" init -q)
file(WRITE "${repo}/a.txt" "a\n")
git("${repo}" add a.txt)
git("${repo}" commit -q -m one)

# Sources unpacked into a folder of another repository: not that repository's version.
file(MAKE_DIRECTORY "${repo}/unpacked")
expect("${repo}/unpacked" "^9\\.8$")
file(REMOVE_RECURSE "${repo}/unpacked")
# A plain folder with no repository at all.
file(MAKE_DIRECTORY "${WORK}/plain")
expect("${WORK}/plain" "^9\\.8$")

expect("${repo}" "^9\\.8\\+[0-9a-f]+$")
file(WRITE "${repo}/a.txt" "changed\n")
expect("${repo}" "^9\\.8\\+[0-9a-f]+\\.dirty$")
git("${repo}" commit -q -a -m two)

git("${repo}" tag v9.8)
expect("${repo}" "^9\\.8$")
git("${repo}" tag -d v9.8)

git("${repo}" tag 9.8-rc_1)
file(WRITE "${repo}/a.txt" "three\n")
git("${repo}" commit -q -a -m three)
# Only characters a Debian version allows.
expect("${repo}" "^9\\.8\\+9\\.8\\.rc\\.1\\.1\\.g[0-9a-f]+$")

file(REMOVE_RECURSE "${WORK}")

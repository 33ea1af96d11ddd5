# Third-party files the hosts compile in, taken from packages of the npm
# registry at configure time: the package's tarball is downloaded once into
# the build tree, its hash and the hash of the file taken from it are checked,
# and nothing of it is committed. The registry's address comes from npm's own
# configuration (`npm view`), so a mirror set there is used too.
#
#   ufc_npm_file(OUT_PATH PACKAGE VERSION TARBALL_SHA256 MEMBER MEMBER_SHA256)
#
# sets OUT_PATH to the checked file MEMBER (a path inside the package, such as
# deps/sqlite3/sqlite3.c). The configure fails, saying why, when npm is
# missing, the download fails, or a hash differs.

set(UFC_DOWNLOAD_DIR ${CMAKE_BINARY_DIR}/_downloads CACHE PATH
    "where the build keeps the packages it downloads")

function(ufc_sha256_is file expected result)
  set(${result} FALSE PARENT_SCOPE)
  if(EXISTS ${file})
    file(SHA256 ${file} actual)
    if(actual STREQUAL expected)
      set(${result} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

function(ufc_npm_file out_path package version tarball_sha256 member member_sha256)
  set(dir ${UFC_DOWNLOAD_DIR}/${package}-${version})
  set(tarball ${dir}/${package}-${version}.tgz)
  set(file ${dir}/package/${member})
  ufc_sha256_is(${file} ${member_sha256} ready)
  if(ready)
    set(${out_path} ${file} PARENT_SCOPE)
    return()
  endif()

  ufc_sha256_is(${tarball} ${tarball_sha256} have_tarball)
  if(NOT have_tarball)
    find_program(UFC_NPM npm)
    if(NOT UFC_NPM)
      message(FATAL_ERROR "${package}@${version}: npm is not installed; it finds the package's "
                          "tarball (install Debian's npm, or put the tarball at ${tarball})")
    endif()
    execute_process(COMMAND ${UFC_NPM} view ${package}@${version} dist.tarball
                    OUTPUT_VARIABLE url ERROR_VARIABLE npm_error RESULT_VARIABLE npm_status
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT npm_status EQUAL 0 OR url STREQUAL "")
      message(FATAL_ERROR "${package}@${version}: npm could not name the tarball: ${npm_error}")
    endif()
    file(DOWNLOAD ${url} ${tarball}.part STATUS status TLS_VERIFY ON)
    list(GET status 0 code)
    if(NOT code EQUAL 0)
      file(REMOVE ${tarball}.part)
      message(FATAL_ERROR "${package}@${version}: the download of ${url} failed: ${status}")
    endif()
    file(SHA256 ${tarball}.part actual)
    if(NOT actual STREQUAL tarball_sha256)
      file(REMOVE ${tarball}.part)
      message(FATAL_ERROR "${package}@${version}: the tarball's SHA-256 is ${actual}, "
                          "expected ${tarball_sha256}: not used")
    endif()
    file(RENAME ${tarball}.part ${tarball})
  endif()

  file(REMOVE ${file})
  file(ARCHIVE_EXTRACT INPUT ${tarball} DESTINATION ${dir} PATTERNS package/${member})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${package}@${version}: the tarball holds no ${member}")
  endif()
  file(SHA256 ${file} actual)
  if(NOT actual STREQUAL member_sha256)
    file(REMOVE ${file})
    message(FATAL_ERROR "${package}@${version}: ${member}'s SHA-256 is ${actual}, "
                        "expected ${member_sha256}: not used")
  endif()
  set(${out_path} ${file} PARENT_SCOPE)
endfunction()

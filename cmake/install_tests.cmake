# The man page and the completion against the built program's --help texts.
add_test(NAME Install.ManPageAndCompletion
         COMMAND ${CMAKE_SOURCE_DIR}/tests/install/check_docs.sh $<TARGET_FILE:klvc> ${CMAKE_SOURCE_DIR}/doc/klvc.1
                 ${CMAKE_SOURCE_DIR}/doc/klvc.bash-completion)

# The Debian package, built as a user without GoogleTest would. It builds in a
# folder beside this one, with this build's compiler settings: with the
# compiler cache on, its objects are this build's.
if(NOT KLVC_SANITIZE)
  add_test(NAME Install.DebianPackage
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/check_package.sh ${PROJECT_VERSION} ${CMAKE_SOURCE_DIR}
                   ${CMAKE_BINARY_DIR}-package -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
                   "-DCMAKE_CXX_FLAGS=${CMAKE_CXX_FLAGS}" "-DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}"
                   "-DCMAKE_UNITY_BUILD=${CMAKE_UNITY_BUILD}")
  set_tests_properties(Install.DebianPackage PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900)
  if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
    # Paths relative to the clone, as in this build, or the cache would not know them.
    set_tests_properties(Install.DebianPackage PROPERTIES
                         ENVIRONMENT "CCACHE_BASEDIR=${CMAKE_SOURCE_DIR};CCACHE_NOHASHDIR=1")
  endif()
endif()

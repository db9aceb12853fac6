# Warning flags shared by every Movexa target; MOVEXA_WERROR turns them into errors (CI).
function(movexa_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wno-sign-conversion -Wnon-virtual-dtor -Woverloaded-virtual)
  # GCC 12 at -O3 reports -Wrestrict on libstdc++'s own string concatenation (GCC bug 105329);
  # the warning says nothing about our code there, so it is kept off for GCC.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(MOVEXA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

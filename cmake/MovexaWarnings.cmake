# Warning flags shared by every Movexa target; MOVEXA_WERROR turns them into errors (CI).
function(movexa_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wno-sign-conversion -Wnon-virtual-dtor -Woverloaded-virtual)
  if(MOVEXA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

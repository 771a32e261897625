# Warnings as errors on the project's own code. Call tk_warnings(target) for
# every target the project defines.
function(tk_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Woverloaded-virtual)
endfunction()

# Warnings for the project's own targets (the SDK keeps its own settings).
function(tolvane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

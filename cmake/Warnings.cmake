# Every target of ours calls this, so the whole tree builds with one set of warnings.
function(skinremap_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(SKINREMAP_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

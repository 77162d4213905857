# SPDX-License-Identifier: MIT
# Packs the VS Code extension into OUT: a copy of its folder in WORK, its packages installed
# from the committed lock, bundled into one file and packed. The build's target and the test
# that checks the package both run it, so what the test checks is what the target makes.
#   cmake -DNPM=npm -DSOURCE=editors/vscode -DLICENSE=LICENSE -DWORK=dir -DOUT=file.vsix -P pack.cmake
foreach(variable NPM SOURCE LICENSE WORK OUT)
    if(NOT ${variable})
        message(FATAL_ERROR "pack.cmake needs -D${variable}=...")
    endif()
endforeach()

# A developer who ran npm in the source folder has modules and a bundle there; the package is
# made from the lock alone.
file(REMOVE_RECURSE ${WORK})
file(COPY ${SOURCE}/ DESTINATION ${WORK}
    PATTERN node_modules EXCLUDE
    PATTERN dist EXCLUDE
    PATTERN *.vsix EXCLUDE)
file(COPY_FILE ${LICENSE} ${WORK}/LICENSE)

function(run)
    execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command} failed (${status}) in ${WORK}")
    endif()
endfunction()
run(${NPM} ci --no-audit --no-fund --loglevel=error)
run(${NPM} run package)
file(COPY_FILE ${WORK}/tavrel-scp.vsix ${OUT})

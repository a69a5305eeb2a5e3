# Run by CPack in its staging folder before it makes the Debian package. Adds
# what Debian asks of every package and the install rules leave out: manual
# pages compressed, and a copyright file and a changelog in the package's doc
# folder. Both gzip -n: no file name or time stamp inside, so the package's
# bytes depend on its contents only.

set(root ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_DIRECTORY ${root}/share/man/man1)
  message(FATAL_ERROR "debian_files.cmake: no manual pages in ${root}/share/man/man1")
endif()

function(gzip_file file)
  execute_process(COMMAND gzip -9nf ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "debian_files.cmake: gzip ${file}: ${failed}")
  endif()
endfunction()

file(GLOB pages ${root}/share/man/man1/*.1)
foreach(page ${pages})
  gzip_file(${page})
endforeach()

set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
file(MAKE_DIRECTORY ${doc})
set(MAINTAINER ${CPACK_DEBIAN_PACKAGE_MAINTAINER})
# The program folder as the package holds it, for the templates' own stanza.
string(REGEX REPLACE "^/" "" PROGRAMDIR "${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_FERULO_PROGRAMDIR}")
configure_file(${CPACK_FERULO_COPYRIGHT} ${doc}/copyright @ONLY)

execute_process(COMMAND date -u -R -d ${CPACK_FERULO_RELEASE_DATE}
                OUTPUT_VARIABLE released OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "debian_files.cmake: '${CPACK_FERULO_RELEASE_DATE}' is not a date")
endif()
file(WRITE ${doc}/changelog
  "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
  "  * FERULO ${CPACK_PACKAGE_VERSION}.\n\n"
  " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${released}\n")
gzip_file(${doc}/changelog)

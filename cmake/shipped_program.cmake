# What each program the project ships carries besides its code: a version resource.

# velmar_shipped_program(TARGET VERSION_RC): TARGET gets the version resource VERSION_RC (a
# script that includes versioninfo/version_block.rc).
function(velmar_shipped_program target version_rc)
  target_sources(${target} PRIVATE ${version_rc})
  set_source_files_properties(${version_rc} PROPERTIES OBJECT_DEPENDS
    "${PROJECT_SOURCE_DIR}/versioninfo/version_block.rc;${PROJECT_SOURCE_DIR}/versioninfo/build_version.h")
endfunction()

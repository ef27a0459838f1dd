# Upload, run control and read-back: target_sources(zentor_program_page PRIVATE ...)

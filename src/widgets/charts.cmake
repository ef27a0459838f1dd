# TDiagramm, TDiagram: target_sources(zentor_widgets PRIVATE ...)

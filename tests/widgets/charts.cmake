# Tests of TDiagramm, TDiagram (zentor_add_test).

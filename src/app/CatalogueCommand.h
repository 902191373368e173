#pragma once

class QCommandLineParser;

// The command-line options that move the catalogue to and from other readers.
void AddCatalogueOptions(QCommandLineParser &arguments);
// Whether the raw command line asks for one of them: such a run shows no
// window and needs no display.
bool AsksForCatalogueCommand(int argc, char *argv[]);
// `vx --import-opml FILE` or `vx --export-opml FILE`: what was done goes to
// stdout, what failed to stderr; 0 on success. An import is handed to the
// Vornix already running for the data folder, when there is one, so that a
// second process never writes the catalogue.
int RunCatalogueCommand(const QCommandLineParser &arguments);

// The commands of tinhost, each parsed (CommandLine.cpp), validated and
// executed here.  A command throws UsageError or FileError for what it cannot
// do and returns an Outcome otherwise; the caller reports and saves.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tinhost/cli/Console.h"

namespace tinhost::io {
struct ImportResult;
}

namespace tinhost::cli {

class Session;

struct NewArgs {
  std::string drawing;
  std::string unit;  // empty: the coordinate system's, else m
  std::int64_t resolution = 1000;
  bool force = false;
  std::string crs = {};  // empty: none
};

struct ImportArgs {
  std::string file;
  std::string layer;
  std::string format = "auto";
  // LAS files only
  std::string classes;  // empty: ground when the file is classified
  bool lastReturn = false;
  std::optional<double> thin;
};

struct LayerArgs {
  std::string name;
};

struct RunArgs {
  std::string command;
  std::string plugin;
  std::string layer;
  std::string select = "layer";
  std::vector<std::string> sets;
  std::string answersFile;
  bool cancel = false;
  std::vector<std::string> confirms;
  std::string choose;
  bool placeText = false;
  bool holdOption = false;
  std::int64_t memoryBudget = 0;  // 0: the host's default
  bool interactive = false;
};

struct InfoArgs {
  bool json = false;
  bool objects = false;
};

struct ExportArgs {
  std::string out;
  std::vector<std::string> layers;
  std::optional<double> cell;  // elevation models
  bool faces = false;          // GIS vectors
};

struct ReportArgs {
  std::string out;  // .pdf or .html; empty: only the CSV
  std::string tin;  // empty: the drawing's only TIN (the CSV: every TIN)
  std::string csv;  // the figures for spreadsheets; empty: none
  std::string plugin;
};

// `new` works without a session: it creates the file, holding it as a writer
// does (waiting up to `wait`) so that it never replaces a drawing in use.
int runNew(const NewArgs& args, std::chrono::milliseconds wait, Console& io);

Outcome runImport(Session& s, const ImportArgs& args, Console& io);
// The two halves of runImport: the import itself (its options checked), and
// what it says about what was added (`source` names the file or data).
io::ImportResult importWithOptions(Session& s, const ImportArgs& args);
Outcome reportImport(Session& s, const io::ImportResult& r, const std::string& source, Console& io);
Outcome runLayer(Session& s, const LayerArgs& args, Console& io);
Outcome runMenuCommand(Session& s, const RunArgs& args, Console& io);
Outcome runUndo(Session& s, Console& io);
Outcome runInfo(Session& s, const InfoArgs& args, Console& io);
Outcome runExport(Session& s, const ExportArgs& args, Console& io);
Outcome runReport(Session& s, const ReportArgs& args, Console& io);

// Makes `name` the current layer, creating it when missing; true when created.
bool makeCurrentLayer(Session& s, const std::string& name);

// A real number as people write it: 5000000, 0.25.
std::string number(double v);

// "create" -> 1, "change" -> 94, ...; a number is taken as a menu item.
std::int16_t menuItemFor(const std::string& command);

}  // namespace tinhost::cli

// Support of the definition tests: the whole model written out as text, and a storage of definition files.
#pragma once
#include <memory>
#include <string>

#include "toolbar/uFileStorage.h"
#include "toolbar/uParser.h"

// One line per element of the document and of the documents it includes (indented), lists in the order
// actions, image lists, controls, feeds; each line the element's class name and its fields.
std::string DumpDefinition(TCustomToolbarDefinition& definition, int indent = 0);
// The TOOLBAR attributes of a top-level definition.
std::string DumpToolbar(TToolbarDefinition& definition);
// The outcome of a call: its result, or "ExceptionClass: message".
std::string Outcome(const std::function<std::string()>& call);

// A dynamic storage in C:\Defs whose files are indexed under http://host/tb/ URLs.
class TDefinitionFiles {
 public:
  TDefinitionFiles();
  ~TDefinitionFiles();
  TFileStorage& Storage() { return *storage_; }
  // Stores bytes under "http://host/tb/" + name.
  void Put(const std::string& name, const std::string& bytes);
  // Reads a definition text as the document http://host/tb/<name>; the dump of the model, or the failure.
  std::string Load(const std::string& text, const std::string& name = "root.xml");
  // The same, and the definition itself (nullptr on failure, with the failure in `outcome`).
  std::unique_ptr<TToolbarDefinition> Read(const std::string& text, std::string& outcome,
                                           const std::string& name = "root.xml");

 private:
  TFileStorage* storage_;
};

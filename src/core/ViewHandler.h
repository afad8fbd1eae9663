// Loads the settings window from its view description and keeps the view the
// host builds from it for the whole run.
#pragma once

#include <string>

#include "core/ObjRef.h"
#include "platform/HostView.h"

namespace mellox {

class ViewHandler {
 public:
  // Builds the view at once (debug line "View Handler Init").
  ViewHandler();
  ~ViewHandler();
  ViewHandler(const ViewHandler&) = delete;
  ViewHandler& operator=(const ViewHandler&) = delete;

  // The view built from the description; empty when it could not be built.
  ObjRef<platform::HostView> MainView;
  // The description the view was built from.
  const std::string& Description() const { return description_; }

  // The whole text of a file in the install folder, lines joined with nothing
  // between them. Returns what was read so far when reading fails.
  std::string FileToString(const std::string& fileName);
  // Builds the view from "Mellox_View.xml" and keeps it in MainView.
  void CreateMainView();

 private:
  std::string description_;
};

}  // namespace mellox

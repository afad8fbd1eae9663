// Reads one element's attributes for the appliers, each with its default. A
// value that does not convert is reported and replaced by the default, so one
// damaged attribute never costs the rest of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <pugixml.hpp>

#include "core/Trap.h"
#include "core/VBError.h"
#include "persistence/LoadDamage.h"
#include "platform/Variant.h"

namespace mellox {

// The attribute's text, or def itself when the element lacks it. An error
// (no element) is reported under "GetAttribute" and gives an empty value.
platform::Variant GetAttribute(const pugi::xml_node& node, const std::string& name, const platform::Variant& def);

namespace detail {
// Runs step; an error goes to report(number, description) and the caller goes on.
template <class F, class R>
bool RunReporting(F&& step, R&& report) {
  try {
    std::forward<F>(step)();
    return true;
  } catch (const VBError& e) {
    report(e.Number(), e.Description());
  } catch (const std::bad_alloc&) {
    report(7, "Out of memory");
  } catch (const std::exception& e) {
    report(5, e.what());
  }
  return false;
}
}  // namespace detail

// Runs one step of a load or save; an error is reported under procedure
// (with the context appended to its description) and the caller goes on.
template <class F>
bool GuardStep(const std::string& procedure, const std::string& context, F&& step) {
  return detail::RunReporting(std::forward<F>(step), [&](int number, const std::string& description) {
    ReportTrapped(number, description + context, procedure, "ControlHandler", false);
  });
}

// Applies one element of a loaded file; an error is a fault of the file
// (LoadDamage), reported once for all elements of that name failing alike.
// An object that is not set (a control the view lacks, a handler that is not
// there) is reported the same way but is not the file's fault.
template <class F>
bool GuardElement(const std::string& procedure, const std::string& element, F&& apply) {
  return detail::RunReporting(std::forward<F>(apply), [&](int number, const std::string& description) {
    LoadDamage::Report(element + " #" + std::to_string(number), number, description + " (" + element + ")",
                       procedure, number != 91);
  });
}

class AttributeReader {
 public:
  // procedure: the name reports carry ("Settings_Load 1", "Data_Load").
  AttributeReader(pugi::xml_node element, std::string procedure);

  std::optional<std::string> Raw(const char* name) const;
  // The text unchanged, or def.
  std::string Text(const char* name, std::string_view def) const;
  // For a text target whose default is the Boolean False: "False" when missing.
  std::string TextOrFalse(const char* name) const { return Text(name, "False"); }
  // True/False in any case, or a number (0 False).
  bool Bool(const char* name, bool def) const;
  // A 32-bit whole number, halves to even.
  std::int32_t Long(const char* name, std::int32_t def) const;
  // A time in Unix seconds. One outside the dates the game's date type holds
  // (years 100 to 9999) is damaged like a text: the arithmetic on it would overflow.
  std::int64_t UnixTime(const char* name, std::int64_t def) const;
  // A plain decimal number read as far as it goes; never fails (no number is 0).
  double Number(const char* name) const;

  // Reports a value that could not be used (error number, attribute, text,
  // what was used instead): a fault of the file, once per element and attribute.
  void ReportBad(int number, const char* name, std::string_view value, std::string_view used) const;

  pugi::xml_node Element() const { return element_; }

 private:
  template <class T, class Convert>
  T Whole(const char* name, T def, Convert convert) const;

  pugi::xml_node element_;
  std::string procedure_;
};

}  // namespace mellox

// Remembers a window's placement and listed control states in the registry:
// HKEY_CURRENT_USER\<key>\<section>. Restore() runs when the form's window is
// created (before FormCreate), Save() when it closes (after FormClose); both
// may also be called directly. A missing section leaves every default; a value
// of the wrong type is skipped.
//
// Values: "Left", "Top", "Width", "Height" (pixels, screen), "State"
// (0 normal, 2 maximised); each control under its name: check boxes and radio
// buttons as DWORD 0/1, edits as strings, number edits as DWORD (two's
// complement), list views as "<name>.Width<column>" DWORDs in 96-dpi units.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora {
class RegKey;
}

namespace velmora::ui {

class Form;
class CheckBox;
class RadioButton;
class Edit;
class NumberEdit;
class ListView;

class FormStorage {
 public:
  FormStorage(Form& form, std::string key, std::string section, bool placement = true);
  ~FormStorage();
  FormStorage(const FormStorage&) = delete;
  FormStorage& operator=(const FormStorage&) = delete;

  void Add(CheckBox& control, const std::string& name);
  void Add(RadioButton& control, const std::string& name);
  void Add(Edit& control, const std::string& name);
  void Add(NumberEdit& control, const std::string& name);
  void Add(ListView& control, const std::string& name);
  void AddInt(const std::string& name, std::function<int()> get, std::function<void(int)> set);
  void AddString(const std::string& name, std::function<std::string()> get,
                 std::function<void(const std::string&)> set);

  // True when the section exists (the window has stored its state before).
  bool SectionExists() const;
  void Restore();
  void Save();

  const std::string& key() const { return key_; }
  const std::string& section() const { return section_; }

 private:
  struct Entry {
    std::string name;
    bool isString;
    std::function<std::int64_t()> getInt;
    std::function<void(std::int64_t)> setInt;
    std::function<std::string()> getString;
    std::function<void(const std::string&)> setString;
  };
  void RestorePlacement(const RegKey& k);
  void SavePlacement(const RegKey& k);
  std::string path() const;

  Form& form_;
  std::string key_, section_;
  bool placement_;
  std::vector<Entry> entries_;
  std::vector<std::pair<ListView*, std::string>> lists_;
};

}  // namespace velmora::ui

#include "hosts/shellhost/ShellScript.h"

// The host plays the actions itself (the band's controls belong to another module): the verbs only give
// the reader the shape of each line.
TUserVerbs ShellHostVerbs() {
  TUserVerbs verbs;
  verbs.Add("click", TUserArgs::Name, nullptr);
  verbs.Add("type", TUserArgs::NameText, nullptr);
  verbs.Add("key", TUserArgs::Key, nullptr);
  verbs.Add("focus", TUserArgs::Name, nullptr);
  verbs.Add("wait", TUserArgs::Milliseconds, nullptr);
  verbs.Add("chevron", TUserArgs::Rest, nullptr);
  verbs.Add("menu", TUserArgs::Rest, nullptr);
  verbs.Add("navigate", TUserArgs::Name, nullptr);
  verbs.Add("script", TUserArgs::NameText, nullptr);
  verbs.Add("popup", TUserArgs::Rest, nullptr);
  return verbs;
}

// The session file (*.korv): the whole analysis in one JSON text, so that it can be
// closed and continued later. It holds the measurement's text byte for byte and its
// path, the options, the spline, the Fermi level, each H analysis with its results and
// the carried compensation, the simulation, the stage the main window was at and each
// side window's own settings. Opening a session takes the numbers from the file; none
// is recalculated. The fields are listed in the user's guide.
//
// What a reader accepts: the head {"format": "korv-session", "version": 1}; a member
// that is missing takes the value of a fresh analysis, so fields added later leave the
// older sessions readable; a member this program does not know is refused by name (a
// hand edit with a typo must not be dropped silently). Each side window's "settings"
// object belongs to that window, which checks it when it opens. Numbers that are not
// finite are written as null and read back as NaN.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Analysis.h"
#include "core/Json.h"

namespace korv {

inline constexpr int kSessionVersion = 1;
inline constexpr const char* kSessionFormat = "korv-session";

// One side window in a session: its name, whether it was open, and its own settings and
// last results (an object the window writes and reads).
struct SideWindowSession {
  std::string window;
  bool open = false;
  JsonValue settings = JsonValue::Object();
};

// What a session holds beside the record.
struct SessionExtras {
  std::string stage;  // the main window's stage, as it names it
  std::vector<SideWindowSession> windows;
};

// A session as read and checked, not yet applied to any record.
class Session {
 public:
  std::string measurementPath;
  std::string measurementText;  // the file's bytes
  SessionExtras extras;

  // The record the session describes: the measurement read from its text, the saved
  // fields on top.
  const Analysis& Record() const { return *record_; }

  // Puts the session into `a`: everything `a` held of an analysis is replaced. Cannot
  // fail: the session was checked whole when it was read.
  void ApplyTo(Analysis& a) const;

 private:
  friend Session ReadSession(std::string_view text);
  std::shared_ptr<Analysis> record_ = std::make_shared<Analysis>();
};

// The session text of `a`, with `measurementText` the bytes of the measurement file
// (`a.ExperimentalDataFile`). The same record and extras give the same bytes.
std::string WriteSession(const Analysis& a, const std::string& measurementText, const SessionExtras& extras);

// Reads and checks a session text. Throws korv::Error naming what is wrong and where
// ("In line 12, column 7: ...", "The member "spline.firstIndex" ..."); a session of a
// newer version says which version it needs.
Session ReadSession(std::string_view text);

// The file versions: SaveSession writes atomically (CR LF); LoadSession's errors begin
// with the file's name. Files larger than the text reader's limit are refused.
void SaveSession(const std::string& path, const Analysis& a, const std::string& measurementText,
                 const SessionExtras& extras);
Session LoadSession(const std::string& path);

}  // namespace korv

#include "presenters/common/MemoryView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace korv::ui {

MemoryView::MemoryView(const std::vector<Control>& controls, const std::vector<ChartSpec>& charts) {
  for (const auto& c : controls) {
    if (controls_.count(c.name)) throw std::logic_error("The control list names '" + c.name + "' twice");
    State s;
    s.kind = c.kind;
    s.text = c.caption;
    controls_[c.name] = s;
  }
  for (const auto& c : charts) {
    if (!controls_.count(c.name)) {
      State s;
      s.kind = ControlKind::Chart;
      controls_[c.name] = s;
    }
    ChartState s;
    s.bottom = c.bottom.title;
    s.left = c.left.title;
    s.series.resize(c.series.size());
    charts_[c.name] = s;
  }
}

MemoryView::State& MemoryView::control(const std::string& name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) throw std::logic_error("The window has no control named '" + name + "'");
  return it->second;
}

const MemoryView::State& MemoryView::control(const std::string& name) const {
  auto it = controls_.find(name);
  if (it == controls_.end()) throw std::logic_error("The window has no control named '" + name + "'");
  return it->second;
}

ControlKind MemoryView::Kind(const std::string& name) const { return control(name).kind; }

MemoryView::ChartState& MemoryView::chart(const std::string& name) {
  auto it = charts_.find(name);
  if (it == charts_.end()) throw std::logic_error("The window has no chart named '" + name + "'");
  return it->second;
}

const MemoryView::ChartState& MemoryView::chart(const std::string& name) const {
  auto it = charts_.find(name);
  if (it == charts_.end()) throw std::logic_error("The window has no chart named '" + name + "'");
  return it->second;
}

MemoryView::Points& MemoryView::seriesOf(const std::string& name, int series) {
  auto& c = chart(name);
  if (series < 0 || series >= static_cast<int>(c.series.size()))
    throw std::logic_error("Chart '" + name + "' has no series " + std::to_string(series));
  return c.series[series];
}

void MemoryView::SetEnabled(const std::string& name, bool enabled) { control(name).enabled = enabled; }
bool MemoryView::IsEnabled(const std::string& name) const { return control(name).enabled; }
void MemoryView::SetVisible(const std::string& name, bool visible) { control(name).visible = visible; }
bool MemoryView::IsVisible(const std::string& name) const { return control(name).visible; }
void MemoryView::SetText(const std::string& name, const std::string& text) { control(name).text = text; }
std::string MemoryView::Text(const std::string& name) const { return control(name).text; }
void MemoryView::SetChecked(const std::string& name, bool checked) { control(name).checked = checked; }
bool MemoryView::IsChecked(const std::string& name) const { return control(name).checked; }

void MemoryView::ClearSeries(const std::string& name, int series) { seriesOf(name, series).clear(); }

void MemoryView::AddPoint(const std::string& name, int series, double x, double y) {
  seriesOf(name, series).emplace_back(x, y);
}

int MemoryView::PointCount(const std::string& name, int series) const {
  return static_cast<int>(Series(name, series).size());
}

std::pair<double, double> MemoryView::SeriesYRange(const std::string& name, int series) const {
  const auto& s = Series(name, series);
  if (s.empty()) return {0, 0};
  double lo = s.front().second, hi = lo;
  for (const auto& p : s) {
    lo = std::min(lo, p.second);
    hi = std::max(hi, p.second);
  }
  return {lo, hi};
}

void MemoryView::SetAxisTitles(const std::string& name, const std::string& bottom, const std::string& left) {
  auto& c = chart(name);
  c.bottom = bottom;
  c.left = left;
}

const MemoryView::Points& MemoryView::Series(const std::string& name, int series) const {
  const auto& c = chart(name);
  if (series < 0 || series >= static_cast<int>(c.series.size()))
    throw std::logic_error("Chart '" + name + "' has no series " + std::to_string(series));
  return c.series[series];
}

std::string MemoryView::BottomTitle(const std::string& name) const { return chart(name).bottom; }
std::string MemoryView::LeftTitle(const std::string& name) const { return chart(name).left; }

namespace {

void put16(std::string& b, unsigned v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, unsigned v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// A 24-bit bitmap, white, with every finite point of every series as a dot of its own
// colour on axes scaled to the data.
std::string renderBitmap(const std::vector<MemoryView::Points>& series) {
  const int w = 320, h = 240, stride = (w * 3 + 3) / 4 * 4;
  std::string pixels(static_cast<std::size_t>(stride) * h, static_cast<char>(0xFF));
  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (const auto& s : series)
    for (const auto& [x, y] : s)
      if (std::isfinite(x) && std::isfinite(y)) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  if (x0 <= x1) {
    const double dx = x1 > x0 ? x1 - x0 : 1, dy = y1 > y0 ? y1 - y0 : 1;
    for (std::size_t i = 0; i < series.size(); ++i) {
      const char shade = static_cast<char>(i == 0 ? 0x00 : 0x80);
      for (const auto& [x, y] : series[i]) {
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        const int px = 8 + static_cast<int>((x - x0) / dx * (w - 17));
        const int py = 8 + static_cast<int>((y - y0) / dy * (h - 17));
        for (int c = 0; c < 3; ++c) pixels[static_cast<std::size_t>(py) * stride + px * 3 + c] = shade;
      }
    }
  }
  std::string out = "BM";
  put32(out, 54 + static_cast<unsigned>(pixels.size()));
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, w);
  put32(out, h);
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, static_cast<unsigned>(pixels.size()));
  put32(out, 2835);
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  return out + pixels;
}

}  // namespace

bool MemoryView::SaveChartImage(const std::string& name, const std::string& path, std::string& error) {
  const std::string image = renderBitmap(chart(name).series);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(image.data(), static_cast<std::streamsize>(image.size())) || !out.flush()) {
      out.close();
      std::remove(temporary.c_str());
      error = "Cannot write the file " + path;
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    error = "Cannot write the file " + path;
    return false;
  }
  savedImages.push_back(path);
  return true;
}

std::optional<std::string> MemoryView::AskOpenFile(const FileDialog& dialog) {
  std::optional<std::string> answer;
  if (!openAnswers.empty()) {
    answer = openAnswers.front();
    openAnswers.pop_front();
  } else if (openAnswerer) {
    answer = openAnswerer(dialog);
  }
  fileDialogs.push_back({false, dialog, answer});
  return answer;
}

std::optional<std::string> MemoryView::AskSaveFile(const FileDialog& dialog) {
  std::optional<std::string> answer;
  if (!saveAnswers.empty()) {
    answer = saveAnswers.front();
    saveAnswers.pop_front();
  } else if (saveAnswerer) {
    answer = saveAnswerer(dialog);
  }
  fileDialogs.push_back({true, dialog, answer});
  return answer;
}

void MemoryView::AcceptProposedNames(const std::string& folder) {
  saveAnswerer = [folder](const FileDialog& d) -> std::optional<std::string> {
    if (d.fileName.empty()) return std::nullopt;
    if (folder.empty()) return d.fileName;
    const auto slash = d.fileName.find_last_of("/\\");
    const std::string base = slash == std::string::npos ? d.fileName : d.fileName.substr(slash + 1);
    return folder + "/" + base;
  };
}

void MemoryView::ShowError(const std::string& text) { errors.push_back(text); }
void MemoryView::ShowNotice(const std::string& text) { notices.push_back(text); }

bool MemoryView::AskYesNo(const std::string& text) {
  questions.push_back(text);
  if (!yesNoAnswers.empty()) {
    const bool a = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return a;
  }
  return yesNoAnswerer ? yesNoAnswerer(text) : false;
}

void MemoryView::SetCursor(Cursor c) { cursor = c; }
void MemoryView::SetCaption(const std::string& text) { caption = text; }
void MemoryView::CloseWindow() { closed = true; }

void MemoryView::SetCurrentPage(const std::string&, const std::string& page) {
  if (control(page).kind != ControlKind::Tab) throw std::logic_error("'" + page + "' is not a tab page");
  currentPage = page;
}

void MemoryView::ClearLog() {
  fileDialogs.clear();
  errors.clear();
  notices.clear();
  questions.clear();
  savedImages.clear();
}

void MemoryView::Show(korv::ProgressBar bar, int) {
  ++progressShown;
  progressOpen[bar == korv::ProgressBar::Main ? 0 : 1] = true;
}
void MemoryView::Step(korv::ProgressBar, int) {}
void MemoryView::Close(korv::ProgressBar bar) { progressOpen[bar == korv::ProgressBar::Main ? 0 : 1] = false; }

}  // namespace korv::ui

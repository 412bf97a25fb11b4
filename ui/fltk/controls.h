#pragma once
// The child controls of the FLTK window, behaving like the Windows controls the
// application was written for.

#include <string>

#include <FL/Fl_Button.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Widget.H>

namespace ui::fltk {

// Left-aligned text, clipped at the widget's edges: one line unless `wrap` is asked for.
// Drawn without FLTK's label markup, so a file name with '@' or '&' shows as it is.
class PlainText : public Fl_Widget {
  public:
    PlainText(int x, int y, int width, int height, const char* text, bool wrap = false);
    void setText(const char* text);
    const std::string& text() const { return content; }

  protected:
    void draw() override;

  private:
    std::string content;
    bool wrapped;
};

// A progress bar with an integer range, a step and a position; stepping past the end
// starts over from the beginning, as the Windows control does.
class ProgressBar : public Fl_Progress {
  public:
    ProgressBar(int x, int y, int width, int height);
    void setRange(int minimum, int maximum);
    void setStep(int step) { stepSize = step; }
    void stepIt();
    int position() const { return current; }

  private:
    void refresh();

    int low = 0;
    int high = 100;
    int stepSize = 10;
    int current = 0;
};

} // namespace ui::fltk

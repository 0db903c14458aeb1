#pragma once
// What the options dialog needs of the main window: its settings fields to show,
// and the operations that apply a change at once.

#include <cstdint>

class OptionsHost {
public:
    virtual ~OptionsHost() = default;

    virtual bool OptLoadAllFile() const = 0;
    virtual bool OptShowHidden() const = 0;
    virtual std::int32_t OptThumbW() const = 0;
    virtual std::int32_t OptThumbBorderColor() const = 0;
    virtual std::int32_t OptThumbBackColor() const = 0;
    virtual std::int32_t OptThumbSpaceW() const = 0;
    virtual std::int32_t OptThumbSpaceH() const = 0;
    virtual std::uint8_t OptThumbBorderType() const = 0;
    virtual std::int32_t OptBkColor() const = 0;

    virtual void ApplyFileFilter(bool onlyDrawings) = 0;
    virtual void ApplyShowHidden(bool show) = 0;
    // Sets the view's thumbnail width N, then its height N + 20, then ThumbW.
    virtual void ApplyThumbSize(std::int32_t n) = 0;
    virtual void ApplyThumbBorderColor(std::int32_t colorRef) = 0;
    virtual void ApplyThumbBackColor(std::int32_t colorRef) = 0;
    virtual void ApplyThumbSpaceW(std::int32_t v) = 0;
    virtual void ApplyThumbSpaceH(std::int32_t v) = 0;
    virtual void ApplyThumbBorderType(std::uint8_t type) = 0;
    // BkColor first, then the viewer's background and the panel colour.
    virtual void ApplyBkColor(std::int32_t index) = 0;
};

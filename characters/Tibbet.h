// Tibbet's window: a white animal with red markings that follows the cursor.
#pragma once
#include "characters/Characters.h"
#include "controls/region/Region.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Timer.h"

class TForm2 : public TForm {
public:
    TRgnList* RgnList1;
    TRgn* Rgn1;
    TTimer* Timer1;
    TRgn *Rgn2, *Rgn3, *Rgn4, *Rgn5, *Rgn6, *Rgn7, *Rgn8;
    TPopupMenu* PopupMenu1;
    TMenuItem* N1;
    TRgn *Rgn9, *Rgn10, *Rgn11, *Rgn12;
    int FrameCounter = 0;

    explicit TForm2(TComponent* Owner);
    const char* ClassName() const override { return "TForm2"; }
    std::function<void(TObject*)> FindMethod(const std::string& name) const override;

    void Rgn1Click(TObject* Sender);
    void N1Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);

protected:
    void WndProc(TMessage& Message) override;
};

#include "platform/forms.h"

namespace platform {

void Forms::load(Form& form)
{
    if (form.loaded_)
        return;
    form.loaded_ = true;
    ++loaded_count_;
    windows_.create_window(form);
    if (form.on_load)
        form.on_load();
}

void Forms::show(Form& form)
{
    load(form);
    if (!form.loaded_)
        return;
    form.set_visible(true);
    windows_.bring_to_front(form);
}

void Forms::unload(Form& form)
{
    if (!form.loaded_)
        return;
    form.loaded_ = false;
    form.set_visible(false);
    windows_.destroy_window(form);
    if (--loaded_count_ == 0)
        windows_.end_event_loop();
}

} // namespace platform

#include "app/content_store.h"
#include "app/launch_descriptor.h"

int main()
{
    chat::app::install_content_store();
    auto descriptor = chat::app::build_descriptor();
    ruvo_ui::launch::run_or_exit(descriptor);
}

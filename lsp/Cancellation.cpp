#include "Cancellation.h"

namespace {

thread_local CCancelCheck* t_current = nullptr;

}  // namespace

CCancelCheck& CurrentCancelCheck()
{
    thread_local CCancelCheck never;
    return t_current ? *t_current : never;
}

CCancelScope::CCancelScope(CCancelCheck& check) : m_previous(t_current)
{
    t_current = &check;
}

CCancelScope::~CCancelScope()
{
    t_current = m_previous;
}

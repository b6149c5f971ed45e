// Resource ids of the dialogs (included by resource.h).
#pragma once

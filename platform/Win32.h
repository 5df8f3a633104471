// The whole Windows-shaped platform layer in one include.
#pragma once

#include "platform/Clock.h"
#include "platform/CodePages.h"
#include "platform/Console.h"
#include "platform/CrtStrings.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/IniFiles.h"
#include "platform/KernelObjects.h"
#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/PathHelpers.h"
#include "platform/Resources.h"
#include "platform/ShellFolders.h"
#include "platform/Win32Types.h"

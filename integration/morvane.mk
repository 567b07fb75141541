# morvane.mk: GBA graphics sources (.bmp, .cgx, .scr, .col) converted by one `morvane --build`
# run into a build folder and assembled into one object, with a header for each source.
#
#   MORVANE_SOURCES := $(wildcard gfx/*.bmp gfx/*.cgx gfx/*.scr gfx/*.col)
#   MORVANE_BUILD := build/gfx
#   include /usr/local/share/morvane/morvane.mk
#
#   game.elf: $(OBJS) $(MORVANE_OBJECT)            # link it in
#   build/%.o: %.c | $(MORVANE_HEADERS)             # headers there before any compile
#
# Compile with -I$(MORVANE_BUILD) and -MMD: the dependency files then tie each object to the
# headers it includes, and a header is rewritten only when its text changes, so a pixel edit
# recompiles nothing. For each source, MORVANE_BUILD gets NAME.bin, NAME.s and NAME.h (NAME: the
# file's name up to its first '.'); morvane.all.s places them all and is assembled into
# MORVANE_OBJECT with $(CC) $(ASFLAGS). MORVANE names the program (morvane on the PATH; on
# Windows morvane-cli). Nothing is written beside the sources. One rule converts every source
# newer than its last conversion in one run, and every source when the program or this file is
# newer. A source dropped from the list takes its files with it. Two sources with one NAME, and a
# word that names no source file of the four kinds (a name with a blank reaches make as two
# words), fail the conversion; a goal that converts nothing (clean) never looks.

morvane_fragment := $(lastword $(MAKEFILE_LIST))
ifeq ($(OS),Windows_NT)
MORVANE ?= morvane-cli
else
MORVANE ?= morvane
endif
MORVANE_BUILD ?= build/morvane

# The including Makefile's first target stays its default goal.
morvane_default_goal := $(.DEFAULT_GOAL)

# The program as a file, so that a new one reconverts everything: the path given, or the first
# match on the PATH (as a Windows .exe too).
morvane_program := $(firstword $(wildcard $(if $(findstring /,$(MORVANE)),$(MORVANE) $(MORVANE).exe,\
  $(foreach d,$(subst :, ,$(PATH)),$d/$(MORVANE) $d/$(MORVANE).exe))))

# The file's name up to its first '.' (the x keeps a name that begins with '.' from losing it).
morvane_base = $(patsubst x%,%,$(firstword $(subst ., ,x$(notdir $1))))
morvane_cases = $(foreach a,$1,$(foreach b,$2,$(foreach c,$3,%.$a$b$c)))
morvane_kinds := $(call morvane_cases,b B,m M,p P) $(call morvane_cases,c C,g G,x X) \
  $(call morvane_cases,s S,c C,r R) $(call morvane_cases,c C,o O,l L)

morvane_words := $(sort $(MORVANE_SOURCES))
morvane_sources := $(wildcard $(filter $(morvane_kinds),$(morvane_words)))
morvane_names := $(foreach s,$(morvane_sources),$(call morvane_base,$s))
MORVANE_HEADERS := $(morvane_names:%=$(MORVANE_BUILD)/%.h)
MORVANE_OBJECT := $(MORVANE_BUILD)/morvane.all.o
morvane_stamp := $(MORVANE_BUILD)/morvane.stamp
morvane_list := $(MORVANE_BUILD)/morvane.list
morvane_all := $(MORVANE_BUILD)/morvane.all.s

# The list of the last conversion, rewritten only when the sources change. Only then are they
# checked: each name once, in time linear in their number.
morvane_listed := $(if $(wildcard $(morvane_list)),$(file <$(morvane_list)))
ifneq ($(morvane_listed),$(morvane_words))
$(morvane_list): morvane.reread
endif
morvane_named = $(foreach s,$(morvane_sources),$(if $(filter $1,$(call morvane_base,$s)),$s))
morvane_unique = $(if $(filter-out $(words $1),$(words $(sort $1))),$(foreach n,$(sort $1),\
  $(if $(word 2,$(filter $n,$1)),$(error morvane.mk: $(call morvane_named,$n) would each become \
  $n.h; rename all but one of them))))
morvane_removed = $(filter-out $(morvane_names),$(foreach s,$(morvane_listed),$(call morvane_base,$s)))
$(morvane_list):
	$(if $(filter-out $(morvane_sources),$(morvane_words)),$(error morvane.mk: no such .bmp, .cgx, \
	  .scr or .col file: $(filter-out $(morvane_sources),$(morvane_words)) (a name with a blank \
	  reaches make as two words, and make cannot name such a file)))
	$(call morvane_unique,$(morvane_names))
	$(if $(morvane_removed),rm -f $(morvane_removed:%=$(@D)/%.bin) $(morvane_removed:%=$(@D)/%.s) \
	  $(morvane_removed:%=$(@D)/%.h))
	$(shell mkdir -p $(@D))$(file >$@.part,$(morvane_words))
	@mv $@.part $@

# Written by make (a command line could not hold a thousand names on Windows), under another
# name first: make -n expands a recipe, $(file) included, and runs nothing after it.
$(morvane_all): $(morvane_list)
	$(file >$@.part,/* The arrays of $(words $(morvane_names)) sources, placed by morvane's files. */)
	$(foreach n,$(morvane_names),$(file >>$@.part,	.include "$n.s"))
	@mv $@.part $@

# What a run converts: every source when the program or this file is newer (or on the first
# run), else each one newer than the last run or new to the list. A run takes 200 paths at most,
# so that its command line fits in Windows' 32,767 characters.
morvane_todo = $(if $(filter $(morvane_program) $(morvane_fragment),$?),$(morvane_sources),\
  $(filter $(morvane_sources),$? $(filter-out $(morvane_listed),$(morvane_sources))))
morvane_runs = $(if $1,$(MORVANE) --build $(MORVANE_BUILD) $(wordlist 1,200,$1)$(if $(word 201,$1), \
  && $(call morvane_runs,$(wordlist 201,$(words $1),$1))))
$(morvane_stamp): $(morvane_sources) $(morvane_program) $(morvane_fragment) $(morvane_list)
	$(call morvane_runs,$(strip $(morvane_todo)))
	@touch $@

$(MORVANE_OBJECT): $(morvane_all) $(morvane_stamp)
	$(CC) $(ASFLAGS) -I$(MORVANE_BUILD) -c $< -o $@

# Make reads a file's time once, maybe before the conversion rewrote it: the empty recipe after
# morvane.reread has it read again, so what includes a header whose text changed is rebuilt in
# the same run. `make -q` runs nothing, so there the headers are taken as they are.
$(MORVANE_HEADERS): | $(morvane_stamp) ;
ifeq ($(findstring q,$(firstword -$(MAKEFLAGS))),)
$(MORVANE_HEADERS): morvane.reread
endif
.PHONY: morvane.reread

.DEFAULT_GOAL := $(morvane_default_goal)

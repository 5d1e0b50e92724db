" Vim syntax file for Vesk scripts (.vsk): keywords, strings and their
" escapes, numbers, comments, the method called after `->`, the class
" names and the builtins.
if exists("b:current_syntax")
  finish
endif
let s:cpo_save = &cpo
set cpo&vim

syntax case match

syntax keyword veskConditional if else
syntax keyword veskRepeat while for
syntax keyword veskStatement break continue return
syntax keyword veskException try catch
syntax keyword veskStorage param global
syntax keyword veskNew new
syntax keyword veskBoolean true false
syntax keyword veskNull null
" `function NAME`: the name that follows is the function defined.
syntax keyword veskFunction function nextgroup=veskFunctionName skipwhite
syntax match veskFunctionName "\h\w*" contained

syntax keyword veskClass VOpenGL OglColor OglMaterial POINT3 Matrix ColorRef
syntax keyword veskClass String RECT MDC MBmp Vector Animation

syntax keyword veskBuiltin print len str int float number abs min max
syntax keyword veskBuiltin sin cos tan asin acos atan atan2 sqrt exp log log10
syntax keyword veskBuiltin pow floor ceil round random seed clock cpuclock sleep
syntax keyword veskBuiltin split join find substr trim upper lower replace format
syntax keyword veskBuiltin readfile readlines writefile appendfile exists
syntax keyword veskBuiltin readcsv writecsv flush include textmask colormap
syntax keyword veskPredefined argv pi scriptdir

" `->` and the method it calls.
syntax match veskArrow "->" nextgroup=veskMethod skipwhite
syntax match veskMethod "\h\w*" contained

" Numbers: later items win where two start at the same place, so a double
" beats the integer that begins it and a hexadecimal number beats the 0.
syntax match veskNumber "\<\d\+\>"
syntax match veskFloat "\<\d\+\.\d*\%([eE][-+]\=\d\+\)\=\%(\w\)\@!"
syntax match veskFloat "\%(\w\)\@<!\.\d\+\%([eE][-+]\=\d\+\)\=\>"
syntax match veskFloat "\<\d\+[eE][-+]\=\d\+\>"
syntax match veskHex "\<0[xX]\x\+\>"

" Strings stay on one line; an escape other than \n \t \\ \" \xHH is an
" error in the script, so it shows as one.
syntax match veskEscapeError "\\." contained
syntax match veskEscape "\\\%([nt\\"]\|x\x\x\)" contained
syntax region veskString start=+"+ skip=+\\\\\|\\"+ end=+"+ end=+$+ contains=veskEscape,veskEscapeError

syntax keyword veskTodo TODO FIXME XXX NOTE contained
syntax match veskLineComment "//.*$" contains=veskTodo,@Spell
syntax region veskBlockComment start="/\*" end="\*/" contains=veskTodo,@Spell
syntax match veskShebang "\%^#!.*$"

" Start colouring a few screens up, or where a block comment opens, so that
" a line inside a long comment is coloured as comment wherever one jumps.
syntax sync ccomment veskBlockComment minlines=50

highlight default link veskConditional Conditional
highlight default link veskRepeat Repeat
highlight default link veskStatement Statement
highlight default link veskException Exception
highlight default link veskStorage StorageClass
highlight default link veskNew Operator
highlight default link veskBoolean Boolean
highlight default link veskNull Constant
highlight default link veskFunction Keyword
highlight default link veskFunctionName Function
highlight default link veskClass Type
highlight default link veskBuiltin Function
highlight default link veskPredefined Identifier
highlight default link veskArrow Operator
highlight default link veskMethod Function
highlight default link veskNumber Number
highlight default link veskFloat Float
highlight default link veskHex Number
highlight default link veskString String
highlight default link veskEscape SpecialChar
highlight default link veskEscapeError Error
highlight default link veskTodo Todo
highlight default link veskLineComment Comment
highlight default link veskBlockComment Comment
highlight default link veskShebang PreProc

let b:current_syntax = "vesk"
let &cpo = s:cpo_save
unlet s:cpo_save

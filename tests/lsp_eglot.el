;;; lsp_eglot.el --- eglot against glossel-lsp: opens a file, starts the server on it,
;;; sends the requests of a table and writes the answers (as tests/lsp_neovim.lua does).
;;   GLOSSEL_LSP       the server
;;   GLOSSEL_REQUESTS  a JSON file: { "file": path, "requests": [ { "method": m, "params": p } ... ] }
;;   GLOSSEL_ANSWERS   where the answers go: a JSON array, one { "result": r } or
;;                     { "error": e } a request, in order
;; Run as: emacs --batch -Q -l lsp_eglot.el
(require 'package)
(add-to-list 'package-directory-list "/usr/share/emacs/site-lisp/elpa")
(package-initialize)
(require 'eglot)
(require 'json)

(define-derived-mode inform6-mode prog-mode "Inform6")
(add-to-list 'eglot-server-programs `(inform6-mode . (,(getenv "GLOSSEL_LSP"))))

(defun glossel-write (answers)
  (with-temp-file (getenv "GLOSSEL_ANSWERS")
    (insert (json-encode (vconcat answers)))))

(condition-case failure
    (let* ((spec (with-temp-buffer
                   (insert-file-contents (getenv "GLOSSEL_REQUESTS"))
                   (json-parse-buffer :object-type 'alist)))
           (answers nil))
      (find-file (alist-get 'file spec))
      (inform6-mode)
      (apply #'eglot (eglot--guess-contact))
      (let ((server (eglot-current-server)))
        (seq-doseq (request (alist-get 'requests spec))
          (let ((method (intern (concat ":" (alist-get 'method request))))
                (params (alist-get 'params request)))
            (push (condition-case err
                      (list :result (jsonrpc-request server method params))
                    (jsonrpc-error (list :error (list :message (format "%S" err)))))
                  answers)))
        (glossel-write (nreverse answers))
        (eglot-shutdown server)))
  (error (glossel-write (list (list :error (list :message (format "%S" failure)))))))
(kill-emacs 0)

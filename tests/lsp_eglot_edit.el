;;; lsp_eglot_edit.el --- eglot writing with glossel-lsp, as a user would: in
;;; GLOSSEL_ROOT/acts.inf the completion after "self.d" (eglot's completion-at-point),
;;; the signature inside "Shine(o, n)" (its eldoc function) and the rename of Shine to
;;; Beam (eglot-rename, which edits both files). Writes to GLOSSEL_ANSWERS
;;; {"completion": [...], "signature": "...", "renamed": {"inf": line 5, "h": line 2}}.
;; Run as: emacs --batch -Q -l lsp_eglot_edit.el
(require 'package)
(add-to-list 'package-directory-list "/usr/share/emacs/site-lisp/elpa")
(package-initialize)
(require 'eglot)
(require 'json)

(define-derived-mode inform6-mode prog-mode "Inform6")
(add-to-list 'eglot-server-programs `(inform6-mode . (,(getenv "GLOSSEL_LSP"))))

(defun glossel-write (answers)
  (with-temp-file (getenv "GLOSSEL_ANSWERS") (insert (json-encode answers))))

(defun glossel-goto (line column)
  (goto-char (point-min))
  (forward-line (1- line))
  (forward-char column))

(condition-case failure
    (let* ((root (getenv "GLOSSEL_ROOT"))
           (inf (concat root "/acts.inf"))
           (h (concat root "/acts.h"))
           completion signature)
      ;; The other file of the game is open too, as it is in an editor's session.
      (find-file-noselect h)
      (switch-to-buffer (find-file-noselect inf))
      (inform6-mode)
      (apply #'eglot (eglot--guess-contact))
      (glossel-goto 15 22)
      (let ((capf (eglot-completion-at-point)))
        (setq completion (all-completions (buffer-substring (nth 0 capf) (nth 1 capf)) (nth 2 capf))))
      (glossel-goto 5 11)
      (let ((done nil))
        (eglot-signature-eldoc-function (lambda (text &rest _) (setq signature text done t)))
        (with-timeout (10 nil) (while (not done) (accept-process-output nil 0.05))))
      (glossel-goto 5 3)
      (eglot-rename "Beam")
      (glossel-write
       (list (cons "completion" (vconcat completion))
             (cons "signature" (and signature (substring-no-properties signature)))
             (cons "renamed"
                   (list (cons "inf" (with-current-buffer (find-buffer-visiting inf)
                                       (glossel-goto 5 0) (buffer-substring (point) (line-end-position))))
                         (cons "h" (with-current-buffer (find-buffer-visiting h)
                                     (glossel-goto 2 0) (buffer-substring (point) (line-end-position))))))))
      (eglot-shutdown (eglot-current-server)))
  (error (glossel-write (list (cons "error" (format "%S" failure))))))
(kill-emacs 0)
